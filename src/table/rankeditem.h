#pragma once

#include <QTableWidgetItem>

// A table item that a presort of its column (tablesorting.h) can rank: two
// items of one ranking compare by rank, equal values sharing one, which gives
// the table's own comparison without reading either value. Any change of
// value forgets the rank.
class RankedItem : public QTableWidgetItem
{
public:
    using QTableWidgetItem::QTableWidgetItem;
    RankedItem(const RankedItem &other) : QTableWidgetItem(other) {}
    RankedItem &operator=(const RankedItem &) = delete;

    void setData(int role, const QVariant &value) override;
    bool operator<(const QTableWidgetItem &other) const override;

    // ranking 0 means unranked.
    void setSortRank(quint64 ranking, qint64 rank)
    {
        sortRanking = ranking;
        sortRank = rank;
    }

private:
    quint64 sortRanking = 0;
    qint64 sortRank = 0;
};
