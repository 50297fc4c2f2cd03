#include "app/qvxtablewidgetitem.h"

// QTableWidgetItem's destructor takes the item out of its table, which leaves
// an empty cell behind: that is how a destroyed record empties its row.
QVXtableWidgetItem::~QVXtableWidgetItem() = default;

bool isBpmItem(const QTableWidgetItem *item)
{
    const auto *tagged = dynamic_cast<const QVXtableWidgetItem *>(item);
    return tagged && tagged->itemTag == QVXtableWidgetItem::BpmTag;
}
