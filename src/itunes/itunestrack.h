#pragma once

#include <QString>
#include <memory>
#include <vector>

// The keys of an iTunes track dictionary that the import acts on; every other
// key is ignored.
enum class ItunesKey { Kind, BPM, Name, Artist, Album, Genre, AlbumArtist, Composer, Location };

struct ItunesKeyValue
{
    ItunesKey key;
    QString value; // empty when the key has no value text
};

// One "Persistent ID" key of the iTunes library file, with the keys of its
// dictionary in the order the import visits them: backwards from the
// Persistent ID key to the first key, then forwards to the last.
struct ItunesTrack
{
    bool hasPersistentID = false;
    QString persistentIDText;
    // The keys of the dictionary in document order, one list shared by every
    // track anchored in it: a dictionary of many "Persistent ID" keys must not
    // cost the square of its size. The first `anchor` keys precede this track's.
    std::shared_ptr<const std::vector<ItunesKeyValue>> siblings;
    int anchor = 0;

    int keyCount() const { return siblings ? int(siblings->size()) : 0; }
    // The i-th key in visiting order.
    const ItunesKeyValue &key(int i) const { return (*siblings)[i < anchor ? anchor - 1 - i : i]; }
};
