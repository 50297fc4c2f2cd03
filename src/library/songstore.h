#pragma once

#include "library/dbelement.h"
#include "library/storestep.h"

#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// A song as the store holds it: its tableMap key and its record.
using Song = TableMap::value_type;

// Where the store hands the steps it recorded: the library's history.
class StepKeeper
{
public:
    virtual ~StepKeeper() = default;
    // A step ended; text names it ("BeatFind"). The step is yet to be
    // finished (StoreStep::finish).
    virtual void keepStep(const QString &text, std::unique_ptr<StoreStep> step) = 0;
    // The library changed outside any step (a file read, New File): the
    // steps kept no longer lead back from it.
    virtual void forgetSteps() = 0;
    // Whether a step is under way: none can be undone meanwhile.
    virtual void stepUnderWay(bool underWay) = 0;
};

// The library's one owner: every song the program knows, in tableMap, and the
// only way to add, change or remove one. Nothing here knows of a table; the
// table model listens to the announcements. GUI thread only (the phone session
// hands its work over to it).
//
// A record is created by its first change and kept, unseen, until setupRow
// gives it a row in the table: a phone message cut short or an iTunes track
// that turns out to be no audio leaves no row behind.
//
// Changes are announced when they are done: each call on its own, or, inside
// a Batch, all of them at once when the outermost Batch ends (one notice per
// step of a bulk change, not one per value).
//
// With a StepKeeper, what changes between beginStep and endStep is recorded
// as one step of the history, which exchange can undo and redo.
class SongStore : public QObject
{
    Q_OBJECT

public:
    // The process's library.
    static SongStore &library();

    const TableMap &tableMap() const { return songs; }
    // One more than the highest shown slot in use (see DBelement::shownSlot).
    int shownSlots() const { return slotsInUse; }
    size_t size() const { return songs.size(); }
    const DBelement *find(const std::string &key) const;
    const DBelement *findByID(const QString &persistentID) const { return find(libraryKey(persistentID)); }

    // Changes the record under key with edit(DBelement &), first creating an
    // empty one when there is none.
    template <typename Edit>
    void update(const std::string &key, Edit &&edit)
    {
        Batch batch(*this);
        const auto [found, made] = songs.try_emplace(key);
        Song &song = *found;
        if (keeper)
            keepBefore(key, made ? nullptr : &song.second, &song.second);
        edit(song.second);
        noteChanged(song);
    }
    // Changes the record under key, when there is one.
    template <typename Edit>
    bool change(const std::string &key, Edit &&edit)
    {
        const auto found = songs.find(key);
        if (found == songs.end())
            return false;
        Batch batch(*this);
        if (keeper)
            keepBefore(key, &found->second, &found->second);
        edit(found->second);
        noteChanged(*found);
        return true;
    }
    // Changes every record with edit(DBelement &), announcing about a
    // thousand at a time and calling pause in between, so a window can repaint.
    template <typename Edit>
    void changeEach(Edit &&edit, const std::function<void()> &pause)
    {
        auto next = songs.begin();
        while (next != songs.end()) {
            {
                Batch batch(*this);
                for (int done = 0; done < changeEachChunk && next != songs.end(); ++done, ++next) {
                    if (keeper)
                        keepBefore(next->first, &next->second, &next->second);
                    edit(next->second);
                    noteChanged(*next);
                }
            }
            pause();
        }
    }
    // Gives the record under key a row in the table, when it has none yet.
    void setupRow(const std::string &key);
    bool remove(const std::string &key);
    void clear();

    // Announces what happens between its making and its end as one change.
    class Batch
    {
    public:
        explicit Batch(SongStore &store) : store(store) { ++store.batchDepth; }
        ~Batch()
        {
            if (--store.batchDepth == 0)
                store.announce();
        }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        SongStore &store;
    };

    // A change that runs over many event-loop turns (a file read, an import,
    // a merge, a phone session): the table is put in order once, at its end.
    // Nested ones end with the outermost.
    void beginBulkChange() { ++bulkDepth; }
    void endBulkChange();
    bool inBulkChange() const { return bulkDepth > 0; }
    // Ends every bulk change at once, unannounced: for the window's end, which
    // takes its unfinished activities with it.
    void abandonBulkChanges() { bulkDepth = 0; }

    // The history's keeper; null for none (nothing is recorded then).
    void setStepKeeper(StepKeeper *stepKeeper);
    StepKeeper *stepKeeper() const { return keeper; }
    // A change the history keeps as one step, named by text; it may run over
    // many event-loop turns. Nested steps end with the outermost, which
    // names the whole.
    void beginStep(const QString &text);
    void endStep();
    // Makes the library as the step holds it, and the step hold the songs
    // it replaced: once undoes a step, once more redoes it. Announced a few
    // thousand songs at a time, as one bulk change, with pause in between.
    void exchange(StoreStep &step, const std::function<void()> &pause);

    // One step within a single call.
    class Step
    {
    public:
        Step(SongStore &store, const QString &text) : store(store) { store.beginStep(text); }
        ~Step() { store.endStep(); }
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;

    private:
        SongStore &store;
    };

signals:
    // Songs given a row, in the order setupRow met them.
    void songsShown(const QList<const Song *> &songs);
    // Shown songs whose values changed.
    void songsChanged(const QList<const Song *> &songs);
    // Shown songs about to be removed; they are gone once this returns.
    void songsAboutToGo(const QList<const Song *> &songs);
    void aboutToClear();
    void cleared();
    void bulkChangeEnded();

private:
    static constexpr int changeEachChunk = 1024;
    // Smaller: a song undone costs the table more than a changed value.
    static constexpr int exchangeChunk = 2048;

    void noteChanged(Song &song);
    void announce();
    // Keeps a song as it is before a change, for the step under way; live is
    // the song after it, null when the change removes it.
    void keepBefore(const std::string &key, const DBelement *record, const DBelement *live);
    // Puts one song back as image holds it, and the song it replaces in image.
    void exchangeSong(const std::string &key, std::unique_ptr<DBelement> &image);

    TableMap songs;
    int batchDepth = 0;
    int bulkDepth = 0;
    // What the current batch did, for its announcement.
    std::vector<Song *> newlyShown;
    std::vector<Song *> changed;
    // Removed shown songs, held until the table has let go of their rows; a
    // node keeps its song where the map held it.
    std::vector<TableMap::node_type> removed;
    QList<const Song *> removedSongs;
    int slotsInUse = 0;
    // Slots of removed songs, given to the next songs shown.
    std::vector<int> freeSlots;

    StepKeeper *keeper = nullptr;
    int stepDepth = 0;
    QString stepText;
    std::unique_ptr<StoreStep> recording;
    // A change outside any step has been told to the keeper since the last step.
    bool unrecordedTold = false;
    // Undoing or redoing: the changes are the history's own.
    bool exchanging = false;
};
