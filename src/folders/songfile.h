#pragma once

#include <QByteArray>
#include <QString>

// Whether a file name names a type of audio that both the tag reader and the
// converter read: MP3, MP4 audio (AAC or ALAC), FLAC, Ogg Vorbis, Opus, WAV
// and AIFF, told by the extension in any letter case. The file is taken only
// when the tag reader then opens it.
bool isSongFileName(const QByteArray &fileName);

// The persistent ID of a song found in a music folder: the first 8 bytes of
// the SHA-256 of its canonical path's bytes, as 16 upper-case hex digits, an
// iTunes persistent ID's form. The same file has the same ID on every scan;
// a moved file is a new song.
QString folderPersistentIDHex(const QByteArray &canonicalPath);

// The title of a song whose tags name none: the file name without its
// extension.
QString titleFromFileName(const QString &path);
