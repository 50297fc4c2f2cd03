#pragma once

#include "library/dbelement.h"

#include <QList>
#include <QObject>
#include <functional>
#include <vector>

// A song as the store holds it: its tableMap key and its record.
using Song = TableMap::value_type;

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
        Song &song = *songs.try_emplace(key).first;
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
        edit(found->second);
        noteChanged(*found);
        return true;
    }
    // Changes every record with edit(DBelement &), announcing a few thousand
    // at a time and calling pause in between, so a window can repaint.
    template <typename Edit>
    void changeEach(Edit &&edit, const std::function<void()> &pause)
    {
        auto next = songs.begin();
        while (next != songs.end()) {
            {
                Batch batch(*this);
                for (int done = 0; done < changeEachChunk && next != songs.end(); ++done, ++next) {
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
    static constexpr int changeEachChunk = 4096;

    void noteChanged(Song &song);
    void announce();

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
};
