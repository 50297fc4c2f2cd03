#include "table/libraryfiltermodel.h"
#include "library/itunesroot.h"
#include "library/songlocation.h"

#include <QElapsedTimer>
#include <QFile>
#include <sys/stat.h>

namespace {

// Judging time per event-loop turn; the window paints in between.
constexpr qint64 judgeSliceMs = 15;

// A song's facts as the model keeps them: its texts folded once and kept
// until it changes, its file looked for when a term asks.
class ShownSongFacts : public SongFilter::SongFacts
{
public:
    ShownSongFacts(const DBelement &record, QString &searchTextCache, const ItunesRootMap &roots)
        : record(record), searchTextCache(searchTextCache), roots(roots)
    {}
    const QString &searchText() override
    {
        if (searchTextCache.isEmpty())
            searchTextCache = songSearchText(record);
        return searchTextCache;
    }
    bool fileMissing() override
    {
        const QString &location = record.storedText(SongField::Location);
        struct stat info;
        return !location.isEmpty() && ::stat(QFile::encodeName(localSongPath(location, roots)).constData(), &info) != 0;
    }

private:
    const DBelement &record;
    QString &searchTextCache;
    const ItunesRootMap &roots;
};

} // namespace

LibraryFilterModel::LibraryFilterModel(LibraryModel &library, SongStore &store, QObject *parent)
    : QSortFilterProxyModel(parent), library(library), store(store)
{
    // Changed songs keep their place and their verdict until the next judging.
    setDynamicSortFilter(false);
    setSourceModel(&library);
    judging.setSingleShot(true);
    judging.setInterval(0);
    connect(&judging, &QTimer::timeout, this, &LibraryFilterModel::judgeSome);
    applying.setSingleShot(true);
    applying.setInterval(0);
    connect(&applying, &QTimer::timeout, this, &LibraryFilterModel::applyJudged);
    connect(&store, &SongStore::songsChanged, this, [this](const QList<const Song *> &songs) {
        for (const Song *song : songs) {
            const auto slot = size_t(song->second.shownSlot());
            if (slot < searchTexts.size())
                searchTexts[slot].clear();
        }
    });
    connect(&store, &SongStore::songsAboutToGo, this, &LibraryFilterModel::forgetSongs);
    connect(&store, &SongStore::cleared, this, &LibraryFilterModel::forgetAll);
}

void LibraryFilterModel::setFilterText(const QString &newText)
{
    text = newText;
    refresh();
}

void LibraryFilterModel::refresh()
{
    nextFilter = SongFilter(text);
    roots = ItunesRootMap();
    nextVerdicts.assign(size_t(store.shownSlots()), Unjudged);
    nextSlot = 0;
    judging.stop();
    applying.stop();
    judgeSome();
}

void LibraryFilterModel::judgeSome()
{
    QElapsedTimer slice;
    slice.start();
    // Slots taken meanwhile by new songs are judged when they are shown.
    const int slotCount = int(nextVerdicts.size());
    if (!nextFilter.isEmpty()) {
        for (int done = 1; nextSlot < slotCount; ++nextSlot, ++done) {
            if (done % 256 == 0 && slice.elapsed() >= judgeSliceMs) {
                judging.start();
                return;
            }
            if (const Song *song = library.songInSlot(nextSlot))
                nextVerdicts[size_t(nextSlot)] = judge(nextFilter, *song);
        }
    }
    // Showing the result is a turn's work of its own.
    if (slice.elapsed() > 0) {
        nextSlot = slotCount;
        applying.start();
        return;
    }
    applyJudged();
}

void LibraryFilterModel::applyJudged()
{
    nextSlot = -1;
    shownFilter = nextFilter;
    verdicts.swap(nextVerdicts);
    nextVerdicts.clear();
    // One new layout, not a removal per run of hidden rows.
    invalidate();
    emit filterApplied();
}

LibraryFilterModel::Verdict LibraryFilterModel::judge(const SongFilter &filter, const Song &song) const
{
    const DBelement &record = song.second;
    const auto slot = size_t(record.shownSlot());
    if (searchTexts.size() <= slot)
        searchTexts.resize(size_t(store.shownSlots()));
    ShownSongFacts facts(record, searchTexts[slot], roots);
    return filter.matches(record, facts) ? Matches : Fails;
}

bool LibraryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (shownFilter.isEmpty())
        return true;
    const Song *song = library.songAt(sourceRow);
    if (!song)
        return false;
    const auto slot = size_t(song->second.shownSlot());
    if (verdicts.size() <= slot)
        verdicts.resize(size_t(store.shownSlots()), Unjudged);
    if (verdicts[slot] == Unjudged)
        verdicts[slot] = judge(shownFilter, *song);
    return verdicts[slot] == Matches;
}

const Song *LibraryFilterModel::songAt(int row) const { return library.songAt(mapToSource(index(row, 0)).row()); }

std::vector<const Song *> LibraryFilterModel::songsMatching(const QString &filterText) const
{
    const SongFilter filter(filterText);
    const ItunesRootMap rootsNow;
    std::vector<const Song *> songs;
    for (int row = 0; row < library.rowCount(); ++row) {
        const Song *song = library.songAt(row);
        QString searchText;
        ShownSongFacts facts(song->second, searchText, rootsNow);
        if (filter.matches(song->second, facts))
            songs.push_back(song);
    }
    return songs;
}

void LibraryFilterModel::sort(int column, Qt::SortOrder order) { library.sort(column, order); }

void LibraryFilterModel::forgetSongs(const QList<const Song *> &songs)
{
    // Their slots go to the next songs shown, which are judged afresh.
    for (const Song *song : songs) {
        const auto slot = size_t(song->second.shownSlot());
        for (std::vector<Verdict> *judged : {&verdicts, &nextVerdicts}) {
            if (slot < judged->size())
                (*judged)[slot] = Unjudged;
        }
        if (slot < searchTexts.size())
            searchTexts[slot].clear();
    }
}

void LibraryFilterModel::forgetAll()
{
    verdicts.clear();
    nextVerdicts.assign(nextVerdicts.size(), Unjudged);
    searchTexts.clear();
}
