#include "app/qvxtablewidgetitem.h"
#include "table/tablesorting.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

using Values = QList<QVariant>;
Q_DECLARE_METATYPE(Qt::SortOrder)

namespace {

// A missing cell: the row has no item in the sorted column.
const QVariant noItem = QVariant::fromValue(QStringLiteral("<no item>"));

// Column 0 holds the values, column 1 each row's number before the sort.
// The plain table uses Qt's own items and sort; the other holds library cells.
void fill(QTableWidget &table, const Values &values, bool libraryCells)
{
    table.setSortingEnabled(false);
    table.setColumnCount(2);
    table.setRowCount(int(values.size()));
    for (int row = 0; row < values.size(); ++row) {
        if (values[row] != noItem) {
            QTableWidgetItem *cell = libraryCells ? new QVXtableWidgetItem : new QTableWidgetItem;
            if (values[row].isValid())
                cell->setData(Qt::DisplayRole, values[row]);
            table.setItem(row, 0, cell);
        }
        QTableWidgetItem *id = libraryCells ? new QVXtableWidgetItem : new QTableWidgetItem;
        id->setData(Qt::DisplayRole, row);
        table.setItem(row, 1, id);
    }
}

QList<int> rowIds(const QTableWidget &table)
{
    QList<int> ids;
    for (int row = 0; row < table.rowCount(); ++row)
        ids << table.item(row, 1)->data(Qt::DisplayRole).toInt();
    return ids;
}

QList<int> sortedByQt(const Values &values, Qt::SortOrder order)
{
    QTableWidget plain;
    fill(plain, values, false);
    plain.horizontalHeader()->setSortIndicator(0, order);
    plain.setSortingEnabled(true);
    return rowIds(plain);
}

} // namespace

class TestTableSorting : public QObject
{
    Q_OBJECT

private slots:
    void sameOrderAsTheTablesOwnSort_data();
    void sameOrderAsTheTablesOwnSort();
    void selectionAndCurrentCellStayOnTheirRows();
    void anEditedCellStillMovesToItsPlace();
};

void TestTableSorting::sameOrderAsTheTablesOwnSort_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<Qt::SortOrder>("order");
    const QList<QPair<const char *, Values>> tables = {
        {"text: case, equal keys, blanks",
         {"beta", "Beta", "alpha", "beta", "", " beta", "BETA", "alpha", "Zeta", "zeta", "", "äpfel", "apfel"}},
        {"numbers as text", {"10", "9", "100", "09", "-1", "1e3", "9.5", "10", "", "ten"}},
        {"empty cells and missing items", {"b", QVariant(), noItem, "", "a", QVariant(), noItem, "", "b", QVariant()}},
        {"whole numbers with equal keys", {120, 95, 0, 120, 200, 50, 0, 95, -3, 120}},
        {"flags, some never set", {true, false, QVariant(), true, false, QVariant(), true}},
        {"whole, real and text mixed", {3, 2.5, 2, "2", 2.5, 10, "x", QVariant(), 1.0}},
    };
    for (const auto &table : tables) {
        QTest::addRow("%s, ascending", table.first) << table.second << Qt::AscendingOrder;
        QTest::addRow("%s, descending", table.first) << table.second << Qt::DescendingOrder;
    }
}

void TestTableSorting::sameOrderAsTheTablesOwnSort()
{
    QFETCH(Values, values);
    QFETCH(Qt::SortOrder, order);
    const QList<int> expected = sortedByQt(values, order);

    QTableWidget library;
    fill(library, values, true);
    const std::vector<int> computed = sortedRowOrder(&library, 0, order);
    QCOMPARE(QList<int>(computed.begin(), computed.end()), expected);

    library.horizontalHeader()->setSortIndicator(0, order);
    switchSortingOn(&library, 0);
    QVERIFY(library.isSortingEnabled());
    QCOMPARE(rowIds(library), expected);
    // Switched off and on again, the ranked cells give the same order.
    library.setSortingEnabled(false);
    library.setSortingEnabled(true);
    QCOMPARE(rowIds(library), expected);
}

void TestTableSorting::selectionAndCurrentCellStayOnTheirRows()
{
    QTableWidget table;
    fill(table, {"d", "b", "e", "a", "c", "b"}, true);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::MultiSelection);
    table.selectRow(0); // "d", id 0
    table.selectRow(3); // "a", id 3
    table.setCurrentCell(4, 1, QItemSelectionModel::NoUpdate); // "c", id 4

    table.horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    switchSortingOn(&table, 0);

    QCOMPARE(rowIds(table), QList<int>({3, 1, 5, 4, 0, 2}));
    QList<int> selectedIds;
    for (const QModelIndex &row : table.selectionModel()->selectedRows(1))
        selectedIds << row.data().toInt();
    std::sort(selectedIds.begin(), selectedIds.end());
    QCOMPARE(selectedIds, QList<int>({0, 3}));
    QCOMPARE(table.currentRow(), 3);
    QCOMPARE(table.currentColumn(), 1);
}

// A cell changed after the presort has lost its rank: the table compares it
// by value and moves it among the ranked ones as its own sort would.
void TestTableSorting::anEditedCellStillMovesToItsPlace()
{
    const Values values = {"m", "c", "x", "c", "a", "q"};
    QTableWidget plain;
    fill(plain, values, false);
    plain.horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    plain.setSortingEnabled(true);
    QTableWidget library;
    fill(library, values, true);
    library.horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    switchSortingOn(&library, 0);
    QCOMPARE(rowIds(library), rowIds(plain));

    for (QTableWidget *table : {&plain, &library}) {
        const QList<int> ids = rowIds(*table);
        table->item(int(ids.indexOf(2)), 0)->setText(QStringLiteral("b"));
        table->item(int(ids.indexOf(4)), 0)->setText(QStringLiteral("z"));
    }
    QCOMPARE(rowIds(library), rowIds(plain));
    QCOMPARE(rowIds(library), QList<int>({2, 1, 3, 0, 5, 4}));
}

QTEST_MAIN(TestTableSorting)
#include "tst_tablesorting.moc"
