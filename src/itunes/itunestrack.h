#pragma once

#include <QList>
#include <QString>

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
    QList<ItunesKeyValue> keys;
};
