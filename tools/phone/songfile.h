#pragma once

#include "sync/wirecodec.h"

#include <QString>
#include <vector>

// Reads a song file: tab-separated UTF-8 lines, the first naming the columns
// with the MUSICPASS field names (PersistentID, UserChanged, Title, ...), in
// any order and any subset; a field without a column is sent empty. False,
// with a message, for an unknown or repeated column name, a line with more
// columns than the header, or an unreadable file.
bool readSongFile(const QString &path, std::vector<wire::MusicPassFields> *songs, QString *error);
