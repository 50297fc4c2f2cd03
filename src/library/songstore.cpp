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

void SongStore::noteChanged(const Song &song)
{
    if (song.second.shown && changedSongs.insert(&song).second)
        changed.push_back(&song);
}

void SongStore::setupRow(const std::string &key)
{
    const auto found = songs.find(key);
    if (found == songs.end() || found->second.shown)
        return;
    Batch batch(*this);
    found->second.shown = true;
    // A new row shows the values as they are; no change is announced for it.
    changedSongs.insert(&*found);
    newlyShown.push_back(&*found);
}

bool SongStore::remove(const std::string &key)
{
    const auto found = songs.find(key);
    if (found == songs.end())
        return false;
    Batch batch(*this);
    const Song *song = &*found;
    if (changedSongs.erase(song) > 0) {
        eraseIf(changed, [song](const Song *other) { return other == song; });
        eraseIf(newlyShown, [song](const Song *other) { return other == song; });
    }
    // A shown song stays in memory until the table has let go of its row.
    TableMap::node_type node = songs.extract(found);
    if (node.mapped().shown) {
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
    changedSongs.clear();
    removed.clear();
    removedSongs.clear();
    songs.clear();
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
    const std::vector<const Song *> shown = std::move(newlyShown);
    std::vector<const Song *> updated = std::move(changed);
    removed.clear();
    removedSongs.clear();
    newlyShown.clear();
    changed.clear();
    changedSongs.clear();
    if (!goingSongs.isEmpty()) {
        emit songsAboutToGo(goingSongs);
        going.clear();
    }
    if (!shown.empty()) {
        const std::unordered_set<const Song *> isNew(shown.begin(), shown.end());
        eraseIf(updated, [&isNew](const Song *song) { return isNew.count(song) > 0; });
        emit songsShown(QList<const Song *>(shown.begin(), shown.end()));
    }
    if (!updated.empty())
        emit songsChanged(QList<const Song *>(updated.begin(), updated.end()));
}
