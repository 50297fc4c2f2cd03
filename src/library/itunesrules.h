#pragma once

#include <QString>

// How the values of an iTunes track become record fields.

// The persistent-ID string of a hexadecimal "Persistent ID": the unsigned
// 64-bit number written as a signed decimal, so IDs of 2^63 and above are
// negative; text that is not such a number gives "0".
QString persistentIDFromHex(const QString &hex);

// Only audio files are imported; a "Kind" that names none drops the track.
bool kindIsAudioFile(const QString &kind);
bool kindIsProtected(const QString &kind);

// iTunes's BPM is taken over only by a record without one whose BPM the user
// has not locked, and only when it lies within 50 to 200.
bool takesItunesBpm(int currentBpm, bool locked, const QString &itunesBpm);

// The local path of a "Location" URL, as QUrl::toLocalFile gives it.
QString locationPath(const QString &location);
