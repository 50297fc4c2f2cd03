#include "library/dbelement.h"

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
    for (int column = 0; column < 10; ++column) {
        if (column != 1)
            field(columnFields[column]).setFlags(readOnly);
    }
    for (int column = 0; column < 10; ++column)
        table->setItem(row, column, &field(columnFields[column]));
    if (wasSorting)
        table->setSortingEnabled(true);
}
