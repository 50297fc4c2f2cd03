#pragma once

#include "sync/songidentity.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QString>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class SongStore;

// Finds the library song for a phone song that the library does not hold
// under the phone's ID: the song linked to that ID before, or the one song
// shown that is the phone's by title, artist and album (see sameSong) and
// that no phone ID stands for yet. One session's index, built from the library in
// steps when first needed; every entry is checked against its record when it
// is used, so songs changed or removed meanwhile are never taken, and an
// entry found stale is dropped, so no lookup meets it twice. GUI thread only.
class PhoneLinks
{
public:
    explicit PhoneLinks(const SongStore &store) : store(store) {}

    // Indexes the library until it is done or the deadline has passed; true
    // once the whole library is indexed.
    bool build(const QDeadlineTimer &deadline);
    bool built() const { return complete; }

    // The key of the record linked to phoneID; empty when there is none.
    std::string linkedTo(const QString &phoneID);
    // The key of the one song that is the phone's and free to link; empty
    // when there is none, or more than one to choose from.
    std::string findFree(const SongIdentity &phone);

    // The session linked the record under key to phoneID.
    void noteLinked(const QString &phoneID, const std::string &key);
    // The session met the record under key by the phone's ID: it is that
    // phone song's, even though it need not be marked as on the phone.
    void noteClaimed(const std::string &key) { claimed.insert(key); }

private:
    using Bucket = std::vector<quint32>;

    void index(const std::string &key, const DBelement &record);
    // Scans a bucket for free songs that are the phone's, adding them to
    // found until it holds two; drops the entries no longer free.
    void collect(Bucket &bucket, const SongIdentity &phone, std::vector<quint32> &found);
    // The record under key while it is there and free to link.
    const DBelement *freeRecord(const std::string &key) const;

    const SongStore &store;
    bool complete = false;
    bool started = false;
    // The next key to index: the library may change between two steps.
    std::string resumeKey;

    QHash<QString, std::string> byPhoneID;
    std::unordered_set<std::string> claimed;
    // Indexed songs' keys; the buckets hold positions in it.
    std::vector<std::string> keys;
    std::unordered_map<size_t, Bucket> byTitleArtist;
    std::unordered_map<size_t, Bucket> byTitleArtistAlbum;
};
