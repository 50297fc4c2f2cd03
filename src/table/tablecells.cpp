#include "table/tablecells.h"
#include "table/paintbreaks.h"

#include <QSignalBlocker>
#include <QTableWidget>

namespace {

// The item goes back where it was, so the view has nothing to learn.
void putBack(QTableWidget *table, int row, int column)
{
    if (QTableWidgetItem *item = table->takeItem(row, column))
        table->setItem(row, column, item);
}

bool rowIsEmpty(const QTableWidget *table, int row)
{
    for (int column = 0; column < table->columnCount(); ++column) {
        if (table->item(row, column))
            return false;
    }
    return true;
}

} // namespace

void refreshCellPositions(QTableWidget *table, PaintBreaks *breaks)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        {
            const QSignalBlocker quiet(table->model());
            for (int column = 0; column < table->columnCount(); ++column)
                putBack(table, row, column);
        }
        if (breaks)
            breaks->take();
    }
}

void refreshCellPosition(QTableWidget *table, int row, int column)
{
    const QSignalBlocker quiet(table->model());
    putBack(table, row, column);
}

void emptyRow(QTableWidget *table, int row)
{
    for (int column = 0; column < table->columnCount(); ++column)
        table->takeItem(row, column);
}

void removeEmptiedRows(QTableWidget *table)
{
    int end = table->rowCount();
    while (end > 0) {
        if (!rowIsEmpty(table, end - 1)) {
            --end;
            continue;
        }
        int start = end - 1;
        while (start > 0 && rowIsEmpty(table, start - 1))
            --start;
        table->model()->removeRows(start, end - start);
        end = start;
    }
}

ColumnRows::ColumnRows(QTableWidget *table, int column) : table(table), column(column)
{
    rows.reserve(table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row) {
        if (const QTableWidgetItem *item = table->item(row, column))
            rows.insert(item, row);
    }
}

int ColumnRows::rowOf(QTableWidgetItem *item) const
{
    if (item->tableWidget() != table)
        return -1;
    const int row = rows.value(item, -1);
    if (row >= 0 && table->item(row, column) == item)
        return row;
    return table->row(item);
}
