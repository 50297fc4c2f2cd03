#pragma once

#include "tags/tagreader.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// One audio file found by a scan.
struct FoundSong
{
    QString path; // canonical absolute path
    QString persistentID; // hex, see folderPersistentIDHex
    SongTags tags;
};

// What a scan met. Everything but songs was passed over.
struct ScanCounts
{
    qint64 files = 0; // every file looked at, songs or not
    qint64 songs = 0;
    // Audio by name, but the tag reader could not open it, it is no regular
    // file (a FIFO, a device), or its path is too long to be opened by name.
    qint64 unreadableFiles = 0;
    qint64 unreadableFolders = 0; // could not be listed
    qint64 loops = 0; // links back to a folder already walked, or links that loop
    qint64 unkeepableNames = 0; // names this system cannot hold as text and give back
};

// Walks the given folders and files recursively, following links, and hands
// each song to take as it is found. Each folder and each file is visited once,
// however many links lead to it. Every file seen is counted in filesSeen as
// the walk goes. Stops early, between two entries, once cancel is set.
ScanCounts scanMusicPaths(const QStringList &paths, const std::function<void(FoundSong &&)> &take,
                          const std::atomic_bool &cancel, std::atomic<qint64> &filesSeen);
