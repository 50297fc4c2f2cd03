#include "library/songstore.h"

#include <algorithm>

namespace {

template <typename Vector, typename Predicate>
void eraseIf(Vector &vector, Predicate predicate)
{
    vector.erase(std::remove_if(vector.begin(), vector.end(), predicate), vector.end());
}

} // namespace

SongStore &SongStore::library()
{
    static SongStore store;
    return store;
}

const DBelement *SongStore::find(const std::string &key) const
{
    const auto found = songs.find(key);
    return found == songs.end() ? nullptr : &found->second;
}

void SongStore::noteChanged(Song &song)
{
    if (!song.second.isShown() || song.second.noticed)
        return;
    song.second.noticed = true;
    changed.push_back(&song);
}

void SongStore::setupRow(const std::string &key)
{
    const auto found = songs.find(key);
    if (found == songs.end() || found->second.isShown())
        return;
    Batch batch(*this);
    if (freeSlots.empty()) {
        found->second.shown = slotsInUse++;
    } else {
        found->second.shown = freeSlots.back();
        freeSlots.pop_back();
    }
    // A new row shows the values as they are; no change is announced for it.
    found->second.noticed = true;
    newlyShown.push_back(&*found);
}

bool SongStore::remove(const std::string &key)
{
    const auto found = songs.find(key);
    if (found == songs.end())
        return false;
    Batch batch(*this);
    const Song *song = &*found;
    if (song->second.noticed) {
        eraseIf(changed, [song](const Song *other) { return other == song; });
        eraseIf(newlyShown, [song](const Song *other) { return other == song; });
    }
    // A shown song stays in memory until the table has let go of its row.
    TableMap::node_type node = songs.extract(found);
    if (node.mapped().isShown()) {
        removed.push_back(std::move(node));
        removedSongs << song;
    }
    return true;
}

void SongStore::clear()
{
    emit aboutToClear();
    newlyShown.clear();
    changed.clear();
    removed.clear();
    removedSongs.clear();
    songs.clear();
    slotsInUse = 0;
    freeSlots.clear();
    emit cleared();
}

void SongStore::endBulkChange()
{
    if (bulkDepth > 0 && --bulkDepth == 0)
        emit bulkChangeEnded();
}

void SongStore::announce()
{
    // Taken out first: a listener may change the library again.
    std::vector<TableMap::node_type> going = std::move(removed);
    const QList<const Song *> goingSongs = std::move(removedSongs);
    const std::vector<Song *> shown = std::move(newlyShown);
    const std::vector<Song *> updated = std::move(changed);
    removed.clear();
    removedSongs.clear();
    newlyShown.clear();
    changed.clear();
    for (const std::vector<Song *> *noticed : {&shown, &updated}) {
        for (Song *song : *noticed)
            song->second.noticed = false;
    }
    if (!goingSongs.isEmpty()) {
        emit songsAboutToGo(goingSongs);
        for (const TableMap::node_type &node : going)
            freeSlots.push_back(node.mapped().shown);
        going.clear();
    }
    // A song shown in this batch is in the first list only: its changes
    // before the row existed are in the row it gets.
    if (!shown.empty())
        emit songsShown(QList<const Song *>(shown.begin(), shown.end()));
    if (!updated.empty())
        emit songsChanged(QList<const Song *>(updated.begin(), updated.end()));
}
