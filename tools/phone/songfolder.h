#pragma once

#include "sync/wirecodec.h"

#include <QString>
#include <vector>

// The songs of a music folder as a phone with a library of its own would
// send them: each audio file's tags (the title from the file name when its
// tags name none), UserChanged "false", OnDevice "true", and an ID of the
// phone's own (see phoneOwnID). False, with a message, when the folder
// cannot be read or holds no song.
bool readSongFolder(const QString &folder, std::vector<wire::MusicPassFields> *songs, QString *error);

// The phone's ID of the song at relativePath in the folder: the first 8
// bytes of the SHA-256 of "velmora-phone:" and the path's bytes, read as a
// big-endian number with its top bit cleared, in decimal. The same file gets
// the same ID on every run, and never the desktop's ID for it.
std::string phoneOwnID(const QByteArray &relativePath);
