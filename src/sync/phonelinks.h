#pragma once

#include "sync/songidentity.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QString>
#include <string>
#include <unordered_set>
#include <vector>

class DBelement;
class SongStore;

// Finds the library song for a phone song that the library does not hold
// under the phone's ID: the song linked to that ID before, or the one song
// shown that is the phone's by title, artist and album (see sameSong) and
// that no phone ID stands for yet. One session's index, built from the
// library in steps when first needed: the links first, the songs free to link
// only when a phone song is neither a key nor linked. Every entry is checked
// against its record when it is used, so songs changed or removed meanwhile
// are never taken, and an entry found no longer free is passed over from
// then on. GUI thread only.
class PhoneLinks
{
public:
    explicit PhoneLinks(const SongStore &store) : store(store) {}

    // Each indexes the library until it is done or the deadline has passed,
    // and is true once it is done.
    bool indexLinks(const QDeadlineTimer &deadline);
    bool indexFreeSongs(const QDeadlineTimer &deadline);
    bool freeSongsIndexed() const { return freeSongsSorted; }

    // The key of the record linked to phoneID; empty when there is none.
    // Needs the links indexed.
    std::string linkedTo(const QString &phoneID);
    // The key of the one song that is the phone's and free to link; empty
    // when there is none, or more than one to choose from. Needs the free
    // songs indexed.
    std::string findFree(const SongIdentity &phone);

    // The session linked the record under key to phoneID.
    void noteLinked(const QString &phoneID, const std::string &key) { byPhoneID.insert(phoneID, key); }
    // The session met the record under key by the phone's ID: it is that
    // phone song's, even though it need not be marked as on the phone.
    void noteClaimed(const std::string &key) { claimed.insert(key); }

private:
    // A walk over the library in key order, a part per step; it resumes at a
    // key, as the library may change between two steps.
    struct Walk
    {
        bool started = false;
        bool finished = false;
        std::string resumeKey;
    };
    // Walks on until the end of the library (true) or the deadline (false).
    template <typename Visit>
    bool walk(Walk &state, const QDeadlineTimer &deadline, Visit &&visit);

    // An indexed song under the hash of its identity's texts.
    struct Entry
    {
        size_t hash;
        quint32 position;
        bool operator<(const Entry &other) const
        {
            return hash != other.hash ? hash < other.hash : position < other.position;
        }
    };
    void indexFreeSong(const std::string &key, const DBelement &record);
    // Adds to found, up to two, the free songs under hash that are the phone's.
    void collect(const std::vector<Entry> &entries, size_t hash, const SongIdentity &phone,
                 std::vector<quint32> &found);
    // The record under key while it is there and free to link.
    const DBelement *freeRecord(const std::string &key) const;
    bool isFree(const std::string &key, const DBelement &record) const;

    const SongStore &store;
    Walk links;
    Walk freeSongs;
    bool freeSongsSorted = false;

    QHash<QString, std::string> byPhoneID;
    std::unordered_set<std::string> claimed;
    // The free songs' keys; entries name them by position.
    std::vector<std::string> keys;
    // Positions found no longer free.
    std::vector<bool> taken;
    std::vector<Entry> byTitleArtist;
    std::vector<Entry> byTitleArtistAlbum;
    // The identity of the song being indexed, its room used again.
    SongIdentity scratch;
};
