#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The values of one audio file's tags that a song record holds. The BPM stays
// the tag's own text: whether it is taken is the import's decision.
struct SongTags
{
    QString title;
    QString artist;
    QString albumTitle;
    QString genre;
    QString albumArtist;
    QString composer;
    QString bpm;
};

// Reads the tags of the file at nativePath (the path's bytes as the file
// system has them) with TagLib, read-only (see ReadOnlyTagFile). Empty when
// it is no regular file, TagLib cannot open it as audio of a type it knows,
// or finds no audio stream header in it; a file without tags gives empty
// values. Each value is bounded (see boundedTagValue).
std::optional<SongTags> readSongTags(const QByteArray &nativePath);

// A tag's value as a record takes it: at most 64 Ki characters, a longer one
// cut and ending in "…".
QString boundedTagValue(const QString &value);
