#include "app/tagdesk.h"
#include "app/qvxtablewidgetitem.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QMessageBox>
#include <iostream>

void Tagdesk::deleteEdit()
{
    const QList<QTableWidgetItem *> selected = tableWidget->selectedItems();
    if (QMessageBox::question(nullptr, tr("Delete"), tr("Are you sure you want to delete?"),
                              QMessageBox::Yes | QMessageBox::Cancel)
        == QMessageBox::Cancel)
        return;
    modified = true;
    // A deleted record takes all its cells with it, the other selected cells
    // of its row included, so the IDs are taken before anything is destroyed.
    QStringList persistentIDs;
    for (QTableWidgetItem *item : selected) {
        if (item->tableWidget() && item->column() == ColumnPersistentID)
            persistentIDs << item->text();
    }
    // Each record goes before its row, and each row is looked up afresh, so
    // removing one row does not disturb the rows of the songs that follow.
    for (const QString &persistentID : persistentIDs) {
        auto record = tableMap.find(libraryKey(persistentID));
        if (record == tableMap.end())
            continue;
        const int row = record->second.field("persistentID").row();
        std::cout << "WantDel: " << persistentID.toLocal8Bit().constData() << ' ' << int(ColumnPersistentID)
                  << std::endl;
        tableMap.erase(record);
        tableWidget->removeRow(row);
    }
}

void Tagdesk::bpmRangeCheck(QTableWidgetItem *item)
{
    if (!isBpmItem(item))
        return;
    const int bpm = item->data(Qt::DisplayRole).toInt();
    if (bpm >= 50 && bpm <= 200)
        return;
    if (bpm != 0)
        QMessageBox::warning(this, tr("Out of range"), tr("BPM must be between 50-200"), QMessageBox::Ok);
    item->setData(Qt::DisplayRole, QVariant(0));
}

void Tagdesk::saveOn(QTableWidgetItem *item)
{
    if (!isBpmItem(item))
        return;
    std::fputs("saveOn\n", stdout);
    modified = true;
}
