#include "table/rankeditem.h"

void RankedItem::setData(int role, const QVariant &value)
{
    sortRanking = 0;
    QTableWidgetItem::setData(role, value);
}

bool RankedItem::operator<(const QTableWidgetItem &other) const
{
    if (sortRanking != 0) {
        const auto *ranked = dynamic_cast<const RankedItem *>(&other);
        if (ranked && ranked->sortRanking == sortRanking)
            return sortRank < ranked->sortRank;
    }
    return QTableWidgetItem::operator<(other);
}
