#pragma once

#include <QTableWidgetItem>

// A table cell that belongs to a song record. The tag tells the edit handlers
// which cell holds the song's BPM.
class QVXtableWidgetItem : public QTableWidgetItem
{
public:
    static constexpr int BpmTag = QTableWidgetItem::UserType + 1;

    QVXtableWidgetItem() : QTableWidgetItem(QTableWidgetItem::Type) {}
    QVXtableWidgetItem(const QVXtableWidgetItem &other)
        : QTableWidgetItem(other), itemTag(other.itemTag) {}
    QVXtableWidgetItem &operator=(const QVXtableWidgetItem &) = delete;
    ~QVXtableWidgetItem() override;

    // Any change of value forgets the item's sort rank.
    void setData(int role, const QVariant &value) override;
    // The table's own comparison; two items ranked by the same presort
    // compare by rank, which gives the same answer without reading values.
    bool operator<(const QTableWidgetItem &other) const override;

    // Set by the presort of a large table (tablesorting.h): items of one
    // ranking compare by rank, equal values sharing one. 0 means unranked.
    void setSortRank(quint64 ranking, qint64 rank)
    {
        sortRanking = ranking;
        sortRank = rank;
    }

    int itemTag = 0;

private:
    quint64 sortRanking = 0;
    qint64 sortRank = 0;
};

// True for the BPM cell of a song record, whatever item type the table hands over.
bool isBpmItem(const QTableWidgetItem *item);
