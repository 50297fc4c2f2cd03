#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Small real audio files made with ffmpeg, and independent readers of what
// ends up in them: ffprobe, ffmpeg's decoder and Python's mutagen. None of
// them goes through TagLib, which the writer under test uses.
namespace AudioFixtures {

// Runs a program to its end (at most a minute); its standard output, or a
// null array when it could not run or failed.
QByteArray run(const QString &program, const QStringList &arguments);

// Makes `path` from a one-second tone with ffmpeg; `options` go before the
// output name (codec, tags, ID3 version). With `withPicture`, a small cover
// picture is attached; with `withChapters`, two chapters.
bool make(const QString &path, const QStringList &options, bool withPicture = false, bool withChapters = false);

// The MD5 of the decoded audio samples.
QByteArray decodedMd5(const QString &path);

// Every tag ffprobe sees in the file and its streams, keys in lower case
// (Xiph field names are case-insensitive), plus a line per stream and per
// chapter; `leaveOut` keys are dropped.
QMap<QString, QString> probe(const QString &path, const QStringList &leaveOut = {});

// What mutagen reads: "id3version" ("2.3", "2.4") and "TBPM" for an ID3v2
// tag of MP3, WAV or AIFF; "tmpo" for MP4.
QMap<QString, QString> mutagenTags(const QString &path);

// A file's bytes, empty when it cannot be read.
QByteArray contents(const QString &path);

// Every entry of a folder, hidden ones included, by name.
QStringList folderEntries(const QString &folder);

} // namespace AudioFixtures
