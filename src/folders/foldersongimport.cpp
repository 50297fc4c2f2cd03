#include "folders/foldersongimport.h"
#include "folders/songfile.h"
#include "library/itunesrules.h"
#include "library/songstore.h"
#include "tags/tagbpmtext.h"

namespace {

void applySong(DBelement &record, const QString &persistentID, const FoundSong &song, bool setSourceFlag,
               bool inMusicSource)
{
    if (setSourceFlag)
        record.setItunes(inMusicSource ? QStringLiteral("1") : QStringLiteral("0"));
    record.setPersistentID(persistentID);
    const SongTags &tags = song.tags;
    record.setTitle(tags.title.trimmed().isEmpty() ? titleFromFileName(song.path) : tags.title);
    record.setArtist(tags.artist);
    record.setAlbumTitle(tags.albumTitle);
    record.setGenre(tags.genre);
    record.setAlbumArtist(tags.albumArtist);
    record.setComposer(tags.composer);
    const QString tagBpm = QString::number(bpmFromTagText(tags.bpm));
    if (takesItunesBpm(record.bpm(), record.bpmLocked(), tagBpm))
        record.setBPM(tagBpm);
    record.setLocation(song.path);
}

} // namespace

void importFolderSong(const FoundSong &song, bool inMusicSource)
{
    const QString persistentID = persistentIDFromHex(song.persistentID);
    const std::string key = libraryKey(persistentID);
    SongStore &store = SongStore::library();
    SongStore::Batch batch(store);
    const bool isNew = store.find(key) == nullptr;
    store.update(
        key, [&](DBelement &record) { applySong(record, persistentID, song, inMusicSource || isNew, inMusicSource); });
    store.setupRow(key);
}
