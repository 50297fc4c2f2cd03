#pragma once

#include <Qt>
#include <functional>
#include <vector>

class QTableWidget;

// Switches the table's sorting on, as QTableWidget::setSortingEnabled(true)
// does: the rows end sorted by the header's sort column and order, with the
// selection and the current cell on the same songs. A table of at least
// presortFrom rows is first put in that order here, in short steps between
// which the window repaints (user input and new connections wait), so that Qt's own re-sort
// finds every row in place and compares by rank; that re-sort alone would
// otherwise hold the event loop for seconds on a large library.
void switchSortingOn(QTableWidget *table, int presortFrom = 2000);

// The rows in the order the table's own sort puts them: entry i is the row
// that goes to row i. Rows without an item in the column go last, in their
// order. Ranked items of the column (rankeditem.h) get their ranks on the way.
// pause is called every so often during a long sort.
std::vector<int> sortedRowOrder(QTableWidget *table, int column, Qt::SortOrder order,
                                const std::function<void()> &pause = {});
