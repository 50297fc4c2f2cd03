#pragma once

#include <QString>
#include <QtGlobal>

// The temporary folder must hold the WAV file of every song in hand at once.

// What the WAV file of a song may take: 16-bit stereo at 44.1 kHz is
// 176,400 bytes a second. When the song's length cannot be read, its size
// stands in, as if it were coded at 64 kbit/s (a low rate for music, so the
// guess errs on the large side).
qint64 wavBytesNeeded(const QString &songPath);
qint64 wavBytesForLength(qint64 milliseconds);
qint64 wavBytesForSize(qint64 fileBytes);

// Free bytes in the folder the converter writes to, -1 when unknown.
qint64 tempBytesAvailable();

// A song may start when its WAV file fits beside those of the songs in hand
// (reserved), whatever part of theirs is already written.
bool hasRoomForWav(qint64 available, qint64 reserved, qint64 needed);
