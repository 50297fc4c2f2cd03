#include "app/tagdesk.h"
#include "table/tablesorting.h"
#include "itunes/duplicatemerge.h"
#include "table/tablecells.h"
#include "table/paintbreaks.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QMessageBox>
#include <iostream>

void Tagdesk::mergeEdit()
{
    if (modified) {
        const auto answer = QMessageBox::question(nullptr, tr("Merge"), tr("Do you want to Save before doing a merge?"),
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes)
            saveFile();
    }
    modified = true;
    connect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);
    if (importMusicSource() != 0)
        disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);
}

void Tagdesk::doMerge()
{
    tableWidget->setSortingEnabled(false);
    disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);

    // The window repaints now and then; no command or phone session can
    // start until the merge is done. The import has just used up this turn.
    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    breaks.takeNow();

    // The import has just sorted the table; rows are found through one pass
    // over it instead of a search per record.
    const ColumnRows rows(tableWidget, ColumnBpm);
    // A BPM's Alternative belongs to it and goes along.
    auto carryBpm = [&](DBelement &to, DBelement &from) {
        QVXtableWidgetItem &item = to.field("bpm");
        const int row = rows.rowOf(&item);
        if (row >= 0)
            refreshCellPosition(tableWidget, row, ColumnBpm);
        item.setData(Qt::DisplayRole, QVariant(from.bpm()));
        to.setBpmAlternative(from.bpmAlternative());
    };
    const std::set<std::string> toDrop = findDuplicates(tableMap, carryBpm, std::cout, [&breaks] { breaks.take(); });

    bool rowsEmptied = false;
    for (const std::string &key : toDrop) {
        const auto record = tableMap.find(key);
        if (record == tableMap.end())
            continue;
        const int row = rows.rowOf(&record->second.field("bpm"));
        if (row >= 0) {
            emptyRow(tableWidget, row);
            rowsEmptied = true;
        }
        tableMap.erase(record);
        breaks.take();
    }
    // Sorting gathers the emptied rows at the bottom, where they go at once.
    switchSortingOn(tableWidget);
    if (rowsEmptied)
        removeEmptiedRows(tableWidget);
    std::cout << "Merge done\n";
    std::cout.flush();
}
