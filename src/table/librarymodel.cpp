#include "table/librarymodel.h"
#include "table/lockmark.h"

#include <QBrush>
#include <QTimer>
#include <algorithm>
#include <unordered_set>

namespace {

// The order of one column's values: a value never set goes after every set
// one; numbers and flags compare as such, texts by their UTF-16 code units.
bool valueLess(const DBelement &a, const DBelement &b, SongField field)
{
    if (!a.isSet(field))
        return false;
    if (!b.isSet(field))
        return true;
    if (field == SongField::Bpm)
        return a.bpm() < b.bpm();
    if (isFlagField(field))
        return a.flag(field) < b.flag(field);
    return a.storedText(field).compare(b.storedText(field)) < 0;
}

// What the BPM cell's tooltip says: the other level the analyser named, and
// that the BPM is locked; nothing when neither.
QVariant bpmToolTip(const DBelement &record)
{
    QStringList lines;
    if (record.bpmAlternative())
        lines << QStringLiteral("Maybe %1").arg(record.bpmAlternative());
    if (record.bpmLocked())
        lines << QStringLiteral("BPM locked: BeatFind and the level commands keep it");
    return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
}

// Rows removed one run of neighbours at a time, up to this many runs; a
// larger removal (a merge) resets the model instead.
constexpr int maxRemovedRuns = 64;
// Up to one song in this many out of place, a re-sort sorts only those and
// merges them back in; beyond, it sorts the whole table.
constexpr size_t partialSortShare = 16;
// A whole-table sort after a bulk change takes slices from this many rows
// on, which the table shows sorted a few turns later; a smaller one is
// sorted at once.
constexpr size_t slicedSortFrom = 20000;
constexpr qint64 sortSliceMs = 15;

} // namespace

LibraryModel::LibraryModel(SongStore &store, QObject *parent) : QAbstractTableModel(parent), store(store)
{
    for (int column = 0; column < ColumnCount; ++column)
        headerTexts[column] = QString::fromLatin1(columns[column].header);
    for (const Song &song : store.tableMap()) {
        if (song.second.isShown())
            rows.push_back(&song);
    }
    indexRows();
    connect(&store, &SongStore::songsShown, this, &LibraryModel::showSongs);
    connect(&store, &SongStore::songsChanged, this, &LibraryModel::updateSongs);
    connect(&store, &SongStore::songsAboutToGo, this, &LibraryModel::dropSongs);
    connect(&store, &SongStore::aboutToClear, this, [this] { beginResetModel(); });
    connect(&store, &SongStore::cleared, this, [this] {
        slicedSort.cancel();
        rows.clear();
        rowOfSlot.clear();
        dirty.clear();
        endResetModel();
    });
    // A bulk change ends with the table in order, as its last step.
    connect(&store, &SongStore::bulkChangeEnded, this, &LibraryModel::resortNow);
}

int LibraryModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows.size()); }

int LibraryModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

const Song *LibraryModel::songAt(int row) const
{
    return row >= 0 && row < int(rows.size()) ? rows[size_t(row)] : nullptr;
}

const Song *LibraryModel::songInSlot(int slot) const
{
    return slot >= 0 && slot < int(rowOfSlot.size()) ? songAt(rowOfSlot[size_t(slot)]) : nullptr;
}

void LibraryModel::indexRows()
{
    rowOfSlot.assign(size_t(store.shownSlots()), -1);
    for (size_t row = 0; row < rows.size(); ++row)
        rowOfSlot[size_t(rows[row]->second.shownSlot())] = int(row);
}

int LibraryModel::rowOf(const Song *song) const
{
    const int slot = song->second.shownSlot();
    if (slot < 0 || slot >= int(rowOfSlot.size()))
        return -1;
    const int row = rowOfSlot[size_t(slot)];
    return row >= 0 && rows[size_t(row)] == song ? row : -1;
}

int LibraryModel::rowOf(const std::string &key) const
{
    const auto found = store.tableMap().find(key);
    return found == store.tableMap().end() ? -1 : rowOf(&*found);
}

QVariant LibraryModel::data(const QModelIndex &index, int role) const
{
    const Song *song = index.isValid() ? songAt(index.row()) : nullptr;
    if (!song || index.column() >= ColumnCount)
        return QVariant();
    const DBelement &record = song->second;
    const SongField field = columns[index.column()].field;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return record.value(field);
    // A colour of its own makes unsure songs stand out in a sorted column;
    // the tooltip names the other level.
    case Qt::ForegroundRole:
        if (field == SongField::Bpm && record.bpmAlternative())
            return QBrush(DBelement::alternativeBpmColour);
        break;
    case Qt::ToolTipRole:
        if (field == SongField::Bpm)
            return bpmToolTip(record);
        break;
    case Qt::DecorationRole:
        if (field == SongField::Bpm && record.bpmLocked())
            return lockMark();
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return headerTexts[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool LibraryModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0
        || section >= ColumnCount)
        return false;
    headerTexts[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags readOnly = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return index.column() == ColumnBpm ? readOnly | Qt::ItemIsEditable : readOnly;
}

bool LibraryModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const Song *song = index.isValid() ? songAt(index.row()) : nullptr;
    if (!song || index.column() != ColumnBpm || role != Qt::EditRole)
        return false;
    // What is no number is no BPM.
    const int bpm = value.toInt();
    const std::string key = song->first;
    // Only an edit by hand settles a song's level, and the user's own BPM is
    // kept from then on.
    SongStore::Step step(store, QStringLiteral("Edit BPM"));
    store.change(key, [bpm](DBelement &record) {
        record.setBPM(bpm);
        record.setBpmAlternative(0);
        record.setBpmLocked(true);
    });
    emit bpmEdited(key);
    return true;
}

void LibraryModel::showSongs(const QList<const Song *> &songs)
{
    slicedSort.cancel();
    const int first = int(rows.size());
    beginInsertRows(QModelIndex(), first, first + int(songs.size()) - 1);
    rows.insert(rows.end(), songs.begin(), songs.end());
    rowOfSlot.resize(size_t(store.shownSlots()), -1);
    for (int i = 0; i < songs.size(); ++i)
        rowOfSlot[size_t(songs[i]->second.shownSlot())] = first + i;
    endInsertRows();
    dirty.insert(dirty.end(), songs.begin(), songs.end());
    resortLater();
}

void LibraryModel::updateSongs(const QList<const Song *> &songs)
{
    int top = int(rows.size());
    int bottom = -1;
    bool outOfOrder = false;
    for (const Song *song : songs) {
        const int row = rowOf(song);
        if (row < 0)
            continue;
        top = std::min(top, row);
        bottom = std::max(bottom, row);
        if (!rowInOrder(row)) {
            dirty.push_back(song);
            outOfOrder = true;
        }
    }
    if (bottom < 0)
        return;
    // One notice for the lot: a view repaints what it shows of the range.
    emit dataChanged(index(top, 0), index(bottom, ColumnCount - 1));
    // A sort under way read the old values: it starts again.
    if (slicedSort.running()) {
        slicedSort.cancel();
        outOfOrder = true;
    }
    if (outOfOrder)
        resortLater();
}

void LibraryModel::dropSongs(const QList<const Song *> &songs)
{
    if (slicedSort.running()) {
        slicedSort.cancel();
        resortLater();
    }
    const std::unordered_set<const Song *> gone(songs.begin(), songs.end());
    const auto isGone = [&gone](const Song *song) { return gone.count(song) > 0; };
    dirty.erase(std::remove_if(dirty.begin(), dirty.end(), isGone), dirty.end());
    std::vector<int> going;
    going.reserve(size_t(songs.size()));
    for (const Song *song : songs) {
        const int row = rowOf(song);
        if (row >= 0)
            going.push_back(row);
    }
    if (going.empty())
        return;
    std::sort(going.begin(), going.end());
    int runs = 1;
    for (size_t i = 1; i < going.size(); ++i)
        runs += going[i] != going[i - 1] + 1;
    if (runs > maxRemovedRuns) {
        beginResetModel();
        rows.erase(std::remove_if(rows.begin(), rows.end(), isGone), rows.end());
        indexRows();
        endResetModel();
        return;
    }
    // From the bottom up, so the rows still to go keep their numbers.
    size_t end = going.size();
    while (end > 0) {
        size_t start = end - 1;
        while (start > 0 && going[start - 1] == going[start] - 1)
            --start;
        beginRemoveRows(QModelIndex(), going[start], going[end - 1]);
        rows.erase(rows.begin() + going[start], rows.begin() + going[end - 1] + 1);
        indexRows();
        endRemoveRows();
        end = start;
    }
}

bool LibraryModel::less(const Song *a, const Song *b) const
{
    const SongField field = columns[sortedColumn].field;
    return sortedOrder == Qt::AscendingOrder ? valueLess(a->second, b->second, field)
                                             : valueLess(b->second, a->second, field);
}

bool LibraryModel::rowInOrder(int row) const
{
    if (sortedColumn < 0)
        return true;
    const Song *song = rows[size_t(row)];
    return (row == 0 || !less(song, rows[size_t(row) - 1]))
        && (row + 1 == int(rows.size()) || !less(rows[size_t(row) + 1], song));
}

void LibraryModel::resortLater()
{
    if (sortedColumn < 0)
        return;
    resortDue = true;
    if (store.inBulkChange() || resortQueued)
        return;
    resortQueued = true;
    QTimer::singleShot(0, this, [this] {
        resortQueued = false;
        resortNow();
    });
}

void LibraryModel::resortNow()
{
    if (!resortDue || store.inBulkChange() || slicedSort.running())
        return;
    if (dirty.size() * partialSortShare <= rows.size() || rows.size() < slicedSortFrom) {
        reorder(false);
        return;
    }
    // Most of the table is out of place (the end of an import): it is sorted
    // a slice per turn while the rows stay as they are, then shown at once.
    resortDue = false;
    slicedSort.start(rows, inOrder());
    continueSlicedSort();
}

void LibraryModel::continueSlicedSort()
{
    if (!slicedSort.running())
        return;
    if (!slicedSort.advance(sortSliceMs)) {
        QTimer::singleShot(0, this, &LibraryModel::continueSlicedSort);
        return;
    }
    showOrder(slicedSort.take());
}

void LibraryModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    slicedSort.cancel();
    sortedColumn = column;
    sortedOrder = order;
    reorder(true);
}

std::function<bool(const Song *const &, const Song *const &)> LibraryModel::inOrder() const
{
    const SongField field = columns[sortedColumn].field;
    if (sortedOrder == Qt::AscendingOrder)
        return [field](const Song *a, const Song *b) { return valueLess(a->second, b->second, field); };
    return [field](const Song *a, const Song *b) { return valueLess(b->second, a->second, field); };
}

void LibraryModel::reorder(bool everything)
{
    resortDue = false;
    std::vector<const Song *> ordered = rows;
    const auto order = inOrder();
    if (everything || dirty.size() * partialSortShare > rows.size()) {
        std::stable_sort(ordered.begin(), ordered.end(), order);
    } else {
        // The rest are still in order: only the songs that moved are sorted,
        // then merged back in, each after the ones it equals.
        std::vector<char> moved(rowOfSlot.size(), 0);
        for (const Song *song : dirty)
            moved[size_t(song->second.shownSlot())] = 1;
        std::vector<const Song *> staying;
        std::vector<const Song *> moving;
        staying.reserve(rows.size());
        for (const Song *song : rows)
            (moved[size_t(song->second.shownSlot())] ? moving : staying).push_back(song);
        std::stable_sort(moving.begin(), moving.end(), order);
        std::merge(staying.begin(), staying.end(), moving.begin(), moving.end(), ordered.begin(), order);
    }
    showOrder(std::move(ordered));
}

void LibraryModel::showOrder(std::vector<const Song *> ordered)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<const Song *> followed;
    followed.reserve(size_t(before.size()));
    for (const QModelIndex &index : before)
        followed.push_back(songAt(index.row()));
    rows = std::move(ordered);
    dirty.clear();
    indexRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(rowOf(followed[size_t(i)]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
