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
    if (keeper)
        keepBefore(key, &found->second, &found->second);
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
    if (keeper)
        keepBefore(key, &found->second, nullptr);
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
    // A new library begins: no step leads back from it.
    if (keeper && !exchanging) {
        if (recording)
            recording->forget();
        keeper->forgetSteps();
    }
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

void SongStore::setStepKeeper(StepKeeper *stepKeeper)
{
    keeper = stepKeeper;
    stepDepth = 0;
    recording.reset();
}

void SongStore::beginStep(const QString &text)
{
    if (stepDepth++ > 0)
        return;
    stepText = text;
    unrecordedTold = false;
    if (!keeper)
        return;
    recording = std::make_unique<StoreStep>();
    keeper->stepUnderWay(true);
}

void SongStore::endStep()
{
    if (stepDepth == 0 || --stepDepth > 0)
        return;
    std::unique_ptr<StoreStep> step = std::move(recording);
    if (!keeper || !step)
        return;
    keeper->keepStep(stepText, std::move(step));
    keeper->stepUnderWay(false);
}

void SongStore::keepBefore(const std::string &key, const DBelement *record, const DBelement *live)
{
    // Even an undo's change goes into a step that began during its breaks:
    // the step must know of every song that goes.
    if (recording) {
        recording->keep(key, record, live);
    } else if (!exchanging && !unrecordedTold) {
        unrecordedTold = true;
        keeper->forgetSteps();
    }
}

void SongStore::exchange(StoreStep &step, const std::function<void()> &pause)
{
    beginBulkChange();
    auto next = step.images.begin();
    while (next != step.images.end()) {
        {
            Batch batch(*this);
            exchanging = true;
            for (int done = 0; done < exchangeChunk && next != step.images.end(); ++done, ++next)
                exchangeSong(next->key, next->record);
            exchanging = false;
        }
        // Also before the end: the table puts itself in order then.
        pause();
    }
    endBulkChange();
}

void SongStore::exchangeSong(const std::string &key, std::unique_ptr<DBelement> &image)
{
    const auto found = songs.find(key);
    if (found == songs.end()) {
        if (!image)
            return;
        const bool showIt = image->isShown();
        DBelement &record = songs.try_emplace(key, std::move(*image)).first->second;
        image.reset();
        record.shown = -1;
        record.noticed = false;
        if (showIt)
            setupRow(key);
        return;
    }
    DBelement &live = found->second;
    if (!image) {
        image = std::make_unique<DBelement>(live);
        remove(key);
        return;
    }
    const bool showIt = image->isShown();
    // The values change places; the live record keeps its row.
    std::swap(live, *image);
    live.shown = image->shown;
    live.noticed = image->noticed;
    image->noticed = false;
    noteChanged(*found);
    if (showIt && !live.isShown()) {
        setupRow(key);
    } else if (!showIt && live.isShown()) {
        DBelement unshown = live;
        remove(key);
        unshown.shown = -1;
        unshown.noticed = false;
        songs.try_emplace(key, std::move(unshown));
    }
}
