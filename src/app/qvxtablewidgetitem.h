#pragma once

#include "table/rankeditem.h"

// A table cell that belongs to a song record. The tag tells the edit handlers
// which cell holds the song's BPM.
class QVXtableWidgetItem : public RankedItem
{
public:
    static constexpr int BpmTag = QTableWidgetItem::UserType + 1;

    QVXtableWidgetItem() : RankedItem(QTableWidgetItem::Type) {}
    QVXtableWidgetItem(const QVXtableWidgetItem &other) : RankedItem(other), itemTag(other.itemTag) {}
    QVXtableWidgetItem &operator=(const QVXtableWidgetItem &) = delete;
    ~QVXtableWidgetItem() override;

    int itemTag = 0;
};

// True for the BPM cell of a song record, whatever item type the table hands over.
bool isBpmItem(const QTableWidgetItem *item);
