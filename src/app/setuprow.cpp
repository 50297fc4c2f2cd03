#include "library/dbelement.h"
#include "table/columns.h"

#include <QTableWidget>

// Puts the record's own items into a new row; a record that is already shown
// keeps its row. Only the BPM cell stays editable.
void DBelement::setupRow(QTableWidget *table, int row)
{
    if (isShown())
        return;
    const Qt::ItemFlags readOnly = field("title").flags() & ~Qt::ItemIsEditable;
    // Toggling sorting reconnects the header, so it is only done when needed:
    // bulk loads call this with sorting already off, once per record.
    const bool wasSorting = table->isSortingEnabled();
    if (wasSorting)
        table->setSortingEnabled(false);
    if (row == -1)
        row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != ColumnBpm)
            field(columns[column].field).setFlags(readOnly);
    }
    for (int column = 0; column < ColumnCount; ++column)
        table->setItem(row, column, &field(columns[column].field));
    if (wasSorting)
        table->setSortingEnabled(true);
}
