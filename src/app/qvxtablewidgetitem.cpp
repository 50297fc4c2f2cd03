#include "app/qvxtablewidgetitem.h"

// QTableWidgetItem's destructor takes the item out of its table, which leaves
// an empty cell behind: that is how a destroyed record empties its row.
QVXtableWidgetItem::~QVXtableWidgetItem() = default;

void QVXtableWidgetItem::setData(int role, const QVariant &value)
{
    sortRanking = 0;
    QTableWidgetItem::setData(role, value);
}

bool QVXtableWidgetItem::operator<(const QTableWidgetItem &other) const
{
    if (sortRanking != 0) {
        const auto *ranked = dynamic_cast<const QVXtableWidgetItem *>(&other);
        if (ranked && ranked->sortRanking == sortRanking)
            return sortRank < ranked->sortRank;
    }
    return QTableWidgetItem::operator<(other);
}

bool isBpmItem(const QTableWidgetItem *item)
{
    const auto *tagged = dynamic_cast<const QVXtableWidgetItem *>(item);
    return tagged && tagged->itemTag == QVXtableWidgetItem::BpmTag;
}
