#include "table/rankeditem.h"

#include <typeinfo>

void RankedItem::setData(int role, const QVariant &value)
{
    sortRanking = 0;
    QTableWidgetItem::setData(role, value);
}

bool RankedItem::operator<(const QTableWidgetItem &other) const
{
    if (sortRanking != 0) {
        // Qt's re-sort compares about a million pairs of one column's items,
        // which share their class: a type check is far cheaper than a cast.
        const auto *ranked = typeid(other) == typeid(*this) ? static_cast<const RankedItem *>(&other)
                                                            : dynamic_cast<const RankedItem *>(&other);
        if (ranked && ranked->sortRanking == sortRanking)
            return sortRank < ranked->sortRank;
    }
    return QTableWidgetItem::operator<(other);
}
