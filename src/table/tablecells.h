#pragma once

#include <QHash>

class PaintBreaks;
class QTableWidget;
class QTableWidgetItem;

// Bulk changes to a large library table without Qt's linear searches.
//
// A table item remembers its cell's position, but a sort leaves that memory
// stale, and then every change to the item (and QTableWidget::row) searches
// all cells; destroying an item that is in a table always does. Putting an
// item back into its own cell refreshes the position, and taking items out
// before their record goes avoids the search on destruction.

// Puts every item back into its own cell, so later changes find it at once;
// with breaks, the window repaints in between.
void refreshCellPositions(QTableWidget *table, PaintBreaks *breaks = nullptr);
void refreshCellPosition(QTableWidget *table, int row, int column);

// Takes the record's items out of its row before the record is destroyed;
// the row stays, empty, until removeEmptiedRows.
void emptyRow(QTableWidget *table, int row);

// Removes every row without items, a run of adjacent rows at a time.
void removeEmptiedRows(QTableWidget *table);

// The rows of a table's items in one column, found with one pass over it.
class ColumnRows
{
public:
    ColumnRows(QTableWidget *table, int column);
    // The item's row, checked against the table; -1 when it is in none.
    int rowOf(QTableWidgetItem *item) const;

private:
    QTableWidget *table;
    int column;
    QHash<const QTableWidgetItem *, int> rows;
};
