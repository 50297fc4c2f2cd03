#include "app/tagdesk.h"
#include "app/bpmeditdelegate.h"
#include "app/bpmrangedialog.h"
#include "library/dbelement.h"
#include "table/columns.h"
#include "table/tablecells.h"

#include <QItemSelectionModel>

namespace {

constexpr int songMessageMs = 4000;

} // namespace

void Tagdesk::setUpLevelCommands()
{
    auto *bpmEditor = new BpmEditDelegate(tableWidget);
    tableWidget->setItemDelegateForColumn(ColumnBpm, bpmEditor);
    connect(bpmEditor, &BpmEditDelegate::committed, this, &Tagdesk::bpmEdited);
    connect(actionDouble_BPM, &QAction::triggered, this, &Tagdesk::doubleBpm);
    connect(actionHalve_BPM, &QAction::triggered, this, &Tagdesk::halveBpm);
    connect(actionUse_Alternative_BPM, &QAction::triggered, this, &Tagdesk::useAlternativeBpm);
    connect(actionBPM_Range, &QAction::triggered, this, &Tagdesk::bpmRange);
}

void Tagdesk::doubleBpm() { changeLevel(LevelCommand::Double); }
void Tagdesk::halveBpm() { changeLevel(LevelCommand::Halve); }
void Tagdesk::useAlternativeBpm() { changeLevel(LevelCommand::UseAlternative); }

void Tagdesk::bpmRange()
{
    BpmRangeDialog dialog(preferredBpmRange(), this);
    if (dialog.exec() == QDialog::Accepted)
        setPreferredBpmRange(dialog.range());
}

// A BPM the user typed settles the song's level.
void Tagdesk::bpmEdited(const QPersistentModelIndex &cell)
{
    if (!cell.isValid())
        return;
    const QTableWidgetItem *idCell = tableWidget->item(cell.row(), ColumnPersistentID);
    if (!idCell)
        return;
    const auto record = tableMap.find(libraryKey(idCell->text()));
    if (record != tableMap.end() && &record->second.field("bpm") == tableWidget->item(cell.row(), cell.column()))
        record->second.setBpmAlternative(0);
}

void Tagdesk::changeLevel(LevelCommand command)
{
    // The rows come with the selection, so no change has to search the table
    // for its cell, and with sorting off they stay where they are until the
    // one re-sort at the end.
    const bool sorting = tableWidget->isSortingEnabled();
    tableWidget->setSortingEnabled(false);
    int selected = 0;
    int kept = 0;
    for (const QModelIndex &index : tableWidget->selectionModel()->selectedIndexes()) {
        if (index.column() != ColumnPersistentID)
            continue;
        const auto found = tableMap.find(libraryKey(index.data().toString()));
        if (found == tableMap.end())
            continue;
        ++selected;
        DBelement &record = found->second;
        const std::optional<BpmLevels> changed = levelChange(command, {record.bpm(), record.bpmAlternative()});
        if (!changed) {
            ++kept;
            continue;
        }
        if (tableWidget->item(index.row(), ColumnBpm) == &record.field("bpm"))
            refreshCellPosition(tableWidget, index.row(), ColumnBpm);
        record.field("bpm").setData(Qt::DisplayRole, QVariant(changed->bpm));
        record.setBpmAlternative(changed->alternative);
        modified = true;
    }
    tableWidget->setSortingEnabled(sorting);
    if (kept)
        statusbar->showMessage(QStringLiteral("%1 of %2 songs kept their BPM: nothing to change, or outside 50-200")
                                   .arg(kept)
                                   .arg(selected),
                               songMessageMs);
}
