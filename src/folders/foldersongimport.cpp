#include "folders/foldersongimport.h"
#include "folders/songfile.h"
#include "itunes/itunesrules.h"
#include "library/dbelement.h"
#include "tags/tagbpmtext.h"

void importFolderSong(const FoundSong &song, QTableWidget *table, bool inMusicSource)
{
    const QString persistentID = persistentIDFromHex(song.persistentID);
    const std::string key = libraryKey(persistentID);
    const bool isNew = tableMap.find(key) == tableMap.end();
    DBelement &record = tableMap[key];
    if (inMusicSource || isNew)
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
    if (takesItunesBpm(record.bpm(), tagBpm))
        record.setBPM(tagBpm);
    record.setLocation(song.path);
    record.setupRow(table, -1);
}
