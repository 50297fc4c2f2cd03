#include "table/tablesorting.h"
#include "table/paintbreaks.h"
#include "table/rankeditem.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVariant>
#include <atomic>
#include <cstring>
#include <numeric>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A cell's value as the table's item comparison reads it: whole numbers and
// bools compare as integers, floating-point values as reals, anything else as
// text in the user's locale; a pair compares by the widest of its two kinds.
struct SortValue
{
    enum Kind { Whole, Real, Text };
    Kind kind = Text;
    qint64 whole = 0;
    double real = 0;
    QString text;
};

SortValue::Kind kindOf(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::QChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong:
    case QMetaType::Long:
        return SortValue::Whole;
    case QMetaType::Double:
    case QMetaType::Float:
        return SortValue::Real;
    default:
        return SortValue::Text;
    }
}

SortValue sortValue(const QTableWidgetItem *item)
{
    const QVariant value = item->data(Qt::DisplayRole);
    SortValue sortable;
    sortable.kind = kindOf(value);
    sortable.whole = value.toLongLong();
    sortable.real = value.toReal();
    sortable.text = value.toString();
    return sortable;
}

bool lessThan(const SortValue &left, const SortValue &right)
{
    switch (std::max(left.kind, right.kind)) {
    case SortValue::Whole:
        return left.whole < right.whole;
    case SortValue::Real:
        return left.real < right.real;
    case SortValue::Text:
        break;
    }
    return left.text.localeAwareCompare(right.text) < 0;
}

struct Entry
{
    SortValue value;
    int row = 0;
    QTableWidgetItem *item = nullptr;
};

// A stable merge sort that pauses every so often: the result is the one
// std::stable_sort gives, which is what the table's own sort uses.
template <typename Less>
void stableSort(std::vector<Entry> &entries, Less less, const std::function<void()> &pause)
{
    const size_t count = entries.size();
    constexpr size_t firstRun = 32;
    for (size_t low = 0; low < count; low += firstRun) {
        std::stable_sort(entries.begin() + low, entries.begin() + std::min(low + firstRun, count), less);
        if (pause && (low & 1023) == 0)
            pause();
    }
    std::vector<Entry> merged(count);
    size_t sinceBreak = 0;
    for (size_t width = firstRun; width < count; width *= 2) {
        for (size_t low = 0; low < count; low += 2 * width) {
            const size_t middle = std::min(low + width, count);
            const size_t high = std::min(low + 2 * width, count);
            size_t left = low, right = middle, out = low;
            while (left < middle && right < high) {
                merged[out++] =
                    less(entries[right], entries[left]) ? std::move(entries[right++]) : std::move(entries[left++]);
                if (pause && ++sinceBreak == 1024) {
                    sinceBreak = 0;
                    pause();
                }
            }
            while (left < middle)
                merged[out++] = std::move(entries[left++]);
            while (right < high)
                merged[out++] = std::move(entries[right++]);
        }
        entries.swap(merged);
    }
}

std::atomic<quint64> lastRanking{0};

// The view's remembered cells (current cell, selection, hover), which must
// follow their songs when rows move; only a model may move them.
struct PersistentIndexes : QAbstractItemModel
{
    static QModelIndexList of(QAbstractItemModel *model)
    {
        return (model->*(&PersistentIndexes::persistentIndexList))();
    }
    static void move(QAbstractItemModel *model, const QModelIndexList &from, const QModelIndexList &to)
    {
        (model->*(&PersistentIndexes::changePersistentIndexList))(from, to);
    }
};

void swapRows(QTableWidget *table, int first, int second, int columns)
{
    for (int column = 0; column < columns; ++column) {
        QTableWidgetItem *up = table->takeItem(first, column);
        QTableWidgetItem *down = table->takeItem(second, column);
        if (down)
            table->setItem(first, column, down);
        if (up)
            table->setItem(second, column, up);
    }
}

// Puts row order[i] at row i, a slice of rows at a time, keeping the view's
// remembered cells on their songs. Stops early, leaving a whole but partly
// ordered table, when interrupted() turns true in a pause.
void moveRows(QTableWidget *table, const std::vector<int> &order, PaintBreaks &breaks,
              const std::function<bool()> &interrupted)
{
    QAbstractItemModel *model = table->model();
    const int rows = int(order.size());
    const int columns = table->columnCount();
    std::vector<int> songAt(size_t(rows), 0);
    std::iota(songAt.begin(), songAt.end(), 0);
    std::vector<int> rowOf = songAt;
    constexpr int rowsPerSlice = 512;
    for (int row = 0; row < rows && !interrupted();) {
        const QModelIndexList from = PersistentIndexes::of(model);
        std::vector<int> songs;
        songs.reserve(size_t(from.size()));
        for (const QModelIndex &index : from)
            songs.push_back(index.row() >= 0 && index.row() < rows ? songAt[size_t(index.row())] : -1);
        {
            const QSignalBlocker quiet(model);
            for (const int end = std::min(rows, row + rowsPerSlice); row < end; ++row) {
                const int song = order[size_t(row)];
                const int current = rowOf[size_t(song)];
                if (current == row)
                    continue;
                swapRows(table, row, current, columns);
                const int displaced = songAt[size_t(row)];
                songAt[size_t(current)] = displaced;
                rowOf[size_t(displaced)] = current;
                songAt[size_t(row)] = song;
                rowOf[size_t(song)] = row;
            }
        }
        QModelIndexList to;
        to.reserve(from.size());
        for (qsizetype i = 0; i < from.size(); ++i) {
            const int song = songs[size_t(i)];
            to.append(song < 0 ? from[i] : model->index(rowOf[size_t(song)], from[i].column()));
        }
        PersistentIndexes::move(model, from, to);
        table->viewport()->update();
        breaks.take();
    }
}

// Qt's re-sort builds index lists of about 56 bytes per cell in one go, and
// on a large table most of its time goes to the kernel handing out fresh
// pages for them. Keeping blocks of that size in the heap, touched once here
// in steps, lets the re-sort reuse them.
void warmHeapFor(size_t bytes, PaintBreaks &breaks)
{
#ifdef __GLIBC__
    constexpr size_t block = size_t(2) << 20;
    static const bool tuned = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 512 << 20);
        return true;
    }();
    Q_UNUSED(tuned);
    std::vector<void *> blocks;
    for (size_t held = 0; held < bytes; held += block) {
        void *memory = std::malloc(block);
        if (!memory)
            break;
        // Not zeroes: malloc and a zeroing memset may become a calloc, which
        // leaves fresh pages untouched.
        std::memset(memory, 1, block);
        blocks.push_back(memory);
        breaks.take();
    }
    for (void *memory : blocks)
        std::free(memory);
#else
    Q_UNUSED(bytes);
    Q_UNUSED(breaks);
#endif
}

bool sortingSwitchUnderWay = false;

} // namespace

std::vector<int> sortedRowOrder(QTableWidget *table, int column, Qt::SortOrder order,
                                const std::function<void()> &pause)
{
    const int rows = table->rowCount();
    std::vector<Entry> entries;
    entries.reserve(size_t(rows));
    std::vector<int> unsortable;
    for (int row = 0; row < rows; ++row) {
        if (QTableWidgetItem *item = table->item(row, column))
            entries.push_back({sortValue(item), row, item});
        else
            unsortable.push_back(row);
        if (pause && (row & 1023) == 0)
            pause();
    }
    const bool ascending = order == Qt::AscendingOrder;
    const auto before = [ascending](const Entry &left, const Entry &right) {
        return ascending ? lessThan(left.value, right.value) : lessThan(right.value, left.value);
    };
    stableSort(entries, before, pause);

    // Equal values share a rank; ranks rise with the value whatever the order.
    const quint64 ranking = ++lastRanking;
    qint64 rank = 0;
    std::vector<int> sorted;
    sorted.reserve(size_t(rows));
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && before(entries[i - 1], entries[i]))
            ++rank;
        if (auto *cell = dynamic_cast<RankedItem *>(entries[i].item))
            cell->setSortRank(ranking, ascending ? rank : -rank);
        sorted.push_back(entries[i].row);
    }
    sorted.insert(sorted.end(), unsortable.begin(), unsortable.end());
    return sorted;
}

void switchSortingOn(QTableWidget *table, int presortFrom)
{
    // Sorting switched on from a paint break of a presort under way: the
    // presort sees the re-sort and gives way.
    if (sortingSwitchUnderWay || table->isSortingEnabled() || table->rowCount() < presortFrom) {
        table->setSortingEnabled(true);
        return;
    }
    sortingSwitchUnderWay = true;
    QHeaderView *header = table->horizontalHeader();
    const int column = header->sortIndicatorSection();
    const Qt::SortOrder order = header->sortIndicatorOrder();

    // Anything that changes the table meanwhile (a phone session's rows or
    // values, another re-sort) makes the prepared order stale: the presort
    // stops and Qt's own sort puts the rows right, as before.
    bool changed = false;
    QAbstractItemModel *model = table->model();
    const auto noteChange = [&changed] { changed = true; };
    const QList<QMetaObject::Connection> watches = {
        QObject::connect(model, &QAbstractItemModel::dataChanged, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::rowsInserted, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::columnsInserted, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::columnsRemoved, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::layoutChanged, table, noteChange),
        QObject::connect(model, &QAbstractItemModel::modelReset, table, noteChange),
    };
    const auto interrupted = [&] {
        return changed || table->isSortingEnabled() || header->sortIndicatorSection() != column
            || header->sortIndicatorOrder() != order;
    };

    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    // The switch usually ends a long import, whose last step has used up
    // this turn already.
    breaks.takeNow();
    if (!interrupted() && column >= 0 && column < table->columnCount()) {
        const std::vector<int> rowOrder = sortedRowOrder(table, column, order, [&breaks] { breaks.take(); });
        if (!interrupted())
            moveRows(table, rowOrder, breaks, interrupted);
    }
    const size_t cells = size_t(table->rowCount()) * size_t(table->columnCount());
    warmHeapFor(cells * (2 * sizeof(QModelIndex) + sizeof(void *)), breaks);
    for (const QMetaObject::Connection &watch : watches)
        QObject::disconnect(watch);
    sortingSwitchUnderWay = false;
    table->setSortingEnabled(true);
}
