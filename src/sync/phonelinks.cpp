#include "sync/phonelinks.h"
#include "library/phonelink.h"
#include "library/songstore.h"

#include <algorithm>

namespace {

// Records indexed between two looks at the clock.
constexpr int stepRecords = 256;

size_t titleArtistHash(const SongIdentity &song) { return qHashMulti(0, song.title, song.artist); }

size_t titleArtistAlbumHash(const SongIdentity &song, const QString &album)
{
    return qHashMulti(0, song.title, song.artist, album);
}

} // namespace

bool PhoneLinks::build(const QDeadlineTimer &deadline)
{
    if (complete)
        return true;
    const TableMap &songs = store.tableMap();
    auto next = started ? songs.lower_bound(resumeKey) : songs.begin();
    started = true;
    for (int done = 0; next != songs.end(); ++next, ++done) {
        if (done == stepRecords) {
            if (deadline.hasExpired()) {
                resumeKey = next->first;
                return false;
            }
            done = 0;
        }
        index(next->first, next->second);
    }
    complete = true;
    return true;
}

void PhoneLinks::index(const std::string &key, const DBelement &record)
{
    const QString &phoneID = record.storedText(SongField::PhoneID);
    if (!phoneID.isEmpty()) {
        byPhoneID.insert(phoneID, key);
        return;
    }
    if (!record.isShown() || knownToPhone(record) || claimed.count(key))
        return;
    const SongIdentity song = SongIdentity::of(record);
    if (song.title.isEmpty())
        return;
    const auto position = static_cast<quint32>(keys.size());
    keys.push_back(key);
    byTitleArtist[titleArtistHash(song)].push_back(position);
    byTitleArtistAlbum[titleArtistAlbumHash(song, song.album)].push_back(position);
}

std::string PhoneLinks::linkedTo(const QString &phoneID)
{
    const auto found = byPhoneID.find(phoneID);
    if (found == byPhoneID.end())
        return {};
    const DBelement *record = store.find(found.value());
    if (!record || record->storedText(SongField::PhoneID) != phoneID) {
        byPhoneID.erase(found);
        return {};
    }
    return found.value();
}

std::string PhoneLinks::findFree(const SongIdentity &phone)
{
    if (phone.title.isEmpty())
        return {};
    std::vector<quint32> found;
    auto scan = [&](std::unordered_map<size_t, Bucket> &buckets, size_t hash) {
        const auto bucket = buckets.find(hash);
        if (bucket != buckets.end() && found.size() < 2)
            collect(bucket->second, phone, found);
    };
    if (phone.album.isEmpty()) {
        scan(byTitleArtist, titleArtistHash(phone));
    } else {
        // The phone's album, or a library song that names none.
        scan(byTitleArtistAlbum, titleArtistAlbumHash(phone, phone.album));
        scan(byTitleArtistAlbum, titleArtistAlbumHash(phone, QString()));
    }
    return found.size() == 1 ? keys[found.front()] : std::string();
}

void PhoneLinks::collect(Bucket &bucket, const SongIdentity &phone, std::vector<quint32> &found)
{
    for (size_t i = 0; i < bucket.size() && found.size() < 2;) {
        const DBelement *record = freeRecord(keys[bucket[i]]);
        if (!record) {
            bucket[i] = bucket.back();
            bucket.pop_back();
            continue;
        }
        // Another song only where two identities share a hash, or where the
        // song's texts changed since it was indexed.
        if (sameSong(phone, SongIdentity::of(*record))
            && std::find(found.begin(), found.end(), bucket[i]) == found.end())
            found.push_back(bucket[i]);
        ++i;
    }
}

const DBelement *PhoneLinks::freeRecord(const std::string &key) const
{
    const DBelement *record = store.find(key);
    return record && record->isShown() && !knownToPhone(*record) && !claimed.count(key) ? record : nullptr;
}

void PhoneLinks::noteLinked(const QString &phoneID, const std::string &key) { byPhoneID.insert(phoneID, key); }
