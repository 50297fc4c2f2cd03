#include "itunes/itunestrackimport.h"
#include "library/itunesrules.h"
#include "library/songstore.h"

namespace {

// Sets the record's fields from the track's keys, in the file's order, with
// their diagnostic output; false, having stopped there, at a Kind that is no
// audio file.
bool applyTrack(DBelement &record, const QString &persistentID, const ItunesTrack &track, std::ostream &out)
{
    record.setItunes(QStringLiteral("1"));
    record.setPersistentID(persistentID);
    for (int i = 0; i < track.keyCount(); ++i) {
        const ItunesKeyValue &field = track.key(i);
        const QString &value = field.value;
        switch (field.key) {
        case ItunesKey::Kind:
            if (!kindIsAudioFile(value))
                return false;
            if (kindIsProtected(value))
                record.isProtected = true;
            break;
        case ItunesKey::BPM:
            out << "BPM: ";
            if (takesItunesBpm(record.bpm(), record.bpmLocked(), value))
                record.setBPM(value);
            out << value.toLocal8Bit().constData() << ' ';
            break;
        case ItunesKey::Name:
            record.setTitle(value);
            break;
        case ItunesKey::Artist:
            record.setArtist(value);
            break;
        case ItunesKey::Album:
            record.setAlbumTitle(value);
            break;
        case ItunesKey::Genre:
            record.setGenre(value);
            break;
        case ItunesKey::AlbumArtist:
            record.setAlbumArtist(value);
            break;
        case ItunesKey::Composer:
            record.setComposer(value);
            break;
        case ItunesKey::Location: {
            out << "loc: ";
            const QString path = locationPath(value);
            record.setLocation(path);
            out << path.toLocal8Bit().constData() << ' ';
            break;
        }
        }
    }
    return true;
}

} // namespace

void importItunesTrack(const ItunesTrack &track, std::ostream &out)
{
    out << "QVX Persistent ID found: ";
    if (!track.hasPersistentID) {
        out << "unknown\n";
        return;
    }
    const QString persistentID = persistentIDFromHex(track.persistentIDText);
    const std::string key = libraryKey(persistentID);
    out << key << ' ';
    SongStore &store = SongStore::library();
    SongStore::Batch batch(store);
    bool isAudio = true;
    store.update(key, [&](DBelement &record) { isAudio = applyTrack(record, persistentID, track, out); });
    if (isAudio)
        store.setupRow(key);
    else
        store.remove(key);
    out << std::endl;
}
