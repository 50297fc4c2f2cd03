#include "sync/phonelinks.h"
#include "library/phonelink.h"
#include "library/songstore.h"

#include <algorithm>

namespace {

// Records indexed between two looks at the clock.
constexpr int stepRecords = 256;

size_t titleArtistHash(const SongIdentity &song) { return qHashMulti(0, song.title, song.artist); }

size_t withAlbum(size_t titleArtist, const QString &album) { return qHashMulti(titleArtist, album); }

} // namespace

template <typename Visit>
bool PhoneLinks::walk(Walk &state, const QDeadlineTimer &deadline, Visit &&visit)
{
    if (state.finished)
        return true;
    const TableMap &songs = store.tableMap();
    auto next = state.started ? songs.lower_bound(state.resumeKey) : songs.begin();
    state.started = true;
    for (int done = 0; next != songs.end(); ++next, ++done) {
        if (done == stepRecords) {
            if (deadline.hasExpired()) {
                state.resumeKey = next->first;
                return false;
            }
            done = 0;
        }
        visit(next->first, next->second);
    }
    state.finished = true;
    return true;
}

bool PhoneLinks::indexLinks(const QDeadlineTimer &deadline)
{
    return walk(links, deadline, [this](const std::string &key, const DBelement &record) {
        const QString &phoneID = record.storedText(SongField::PhoneID);
        if (!phoneID.isEmpty())
            byPhoneID.insert(phoneID, key);
    });
}

bool PhoneLinks::indexFreeSongs(const QDeadlineTimer &deadline)
{
    if (freeSongsSorted)
        return true;
    // The sort comes in a call of its own: the walk may have used up the time.
    if (!freeSongs.finished) {
        walk(freeSongs, deadline,
             [this](const std::string &key, const DBelement &record) { indexFreeSong(key, record); });
        return false;
    }
    std::sort(byTitleArtist.begin(), byTitleArtist.end());
    std::sort(byTitleArtistAlbum.begin(), byTitleArtistAlbum.end());
    taken.assign(keys.size(), false);
    freeSongsSorted = true;
    return true;
}

void PhoneLinks::indexFreeSong(const std::string &key, const DBelement &record)
{
    if (!isFree(key, record))
        return;
    SongIdentity &song = scratch;
    song.assign(record);
    if (song.title.isEmpty())
        return;
    const auto position = static_cast<quint32>(keys.size());
    keys.push_back(key);
    const size_t titleArtist = titleArtistHash(song);
    byTitleArtist.push_back({titleArtist, position});
    byTitleArtistAlbum.push_back({withAlbum(titleArtist, song.album), position});
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
    if (phone.title.isEmpty() || !freeSongsIndexed())
        return {};
    std::vector<quint32> found;
    if (phone.album.isEmpty()) {
        collect(byTitleArtist, titleArtistHash(phone), phone, found);
    } else {
        // The phone's album, or a library song that names none.
        collect(byTitleArtistAlbum, withAlbum(titleArtistHash(phone), phone.album), phone, found);
        collect(byTitleArtistAlbum, withAlbum(titleArtistHash(phone), QString()), phone, found);
    }
    return found.size() == 1 ? keys[found.front()] : std::string();
}

void PhoneLinks::collect(const std::vector<Entry> &entries, size_t hash, const SongIdentity &phone,
                         std::vector<quint32> &found)
{
    auto entry = std::lower_bound(entries.begin(), entries.end(), Entry{hash, 0});
    for (; entry != entries.end() && entry->hash == hash && found.size() < 2; ++entry) {
        const quint32 position = entry->position;
        if (taken[position])
            continue;
        const DBelement *record = freeRecord(keys[position]);
        if (!record) {
            taken[position] = true;
            continue;
        }
        // Another song only where two identities share a hash, or where the
        // song's texts changed since it was indexed.
        if (sameSong(phone, SongIdentity::of(*record))
            && std::find(found.begin(), found.end(), position) == found.end())
            found.push_back(position);
    }
}

const DBelement *PhoneLinks::freeRecord(const std::string &key) const
{
    const DBelement *record = store.find(key);
    return record && isFree(key, *record) ? record : nullptr;
}

bool PhoneLinks::isFree(const std::string &key, const DBelement &record) const
{
    return record.isShown() && !knownToPhone(record) && !claimed.count(key);
}
