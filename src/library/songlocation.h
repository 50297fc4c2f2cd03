#pragma once

#include <QString>

// The audio file path of a stored song location. The iTunes import keeps what
// QUrl::toLocalFile() made of the track's URL, which for a
// "file://localhost/..." URL is "//localhost/..."; the leading "//" and host
// are dropped when they are there, and any other location is a path already.
QString songFilePath(const QString &location);

// Where the song's file is to be found on this computer: songFilePath with a
// copied iTunes library's music folder mapped to its local place.
QString localSongPath(const QString &location);

class ItunesRootMap;
// The same, for many songs, with the mapping read once.
QString localSongPath(const QString &location, const ItunesRootMap &roots);
