#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Hand-built ID3v2 tags and MPEG audio, byte by byte, for the cases that no
// tagging program writes on purpose.
namespace Id3Fixtures {

// A few silent MPEG-1 layer III frames (44.1 kHz, 128 kbit/s): enough for
// any reader to take the file for audio.
QByteArray silentMpegAudio();

// A second of silent 16-bit stereo PCM in a WAV file, with an ID3 chunk
// holding `tag` after its data.
QByteArray wavWithId3Chunk(const QByteArray &tag);

// One frame of a 2.2 (3-character ID), 2.3 or 2.4 (syncsafe size) tag.
// `format` is the second flag byte.
QByteArray frame(int version, const QByteArray &id, const QByteArray &body, char format = 0);

// A chapter frame ("CHAP", or a table of contents "CTOC") holding one of its
// kind, and so on `depth` levels deep; the innermost holds a title. Built
// front to back, as each level's size is known beforehand.
QByteArray nestedChapters(int version, const QByteArray &id, int depth);

// A Latin-1 text frame's body.
QByteArray text(const QByteArray &value);

// A 2.4 frame compressed with zlib, with its data length indicator.
QByteArray compressedFrame(const QByteArray &id, const QByteArray &body);

// A zlib stream of `count` copies of one letter, made a block at a time so
// that the inflated bytes are never held.
QByteArray deflatedRun(char letter, qint64 count);

// A tag of the given version holding `frames` and `padding` zero bytes.
QByteArray tag(int version, const QList<QByteArray> &frames, int padding, char flags = 0);

// What mutagen (Debian's, under /usr/bin/python3) reads from the ID3v2 tag
// of an MP3 file or a WAV file's ID3 chunk, frame by frame as it shows them, version and undecoded frames
// included; empty when mutagen cannot be run.
QMap<QString, QString> mutagenFrames(const QString &path);

// Whether /usr/bin/python3 can import mutagen.
bool haveMutagen();

} // namespace Id3Fixtures
