#pragma once

#include "folders/folderscanjob.h"

#include <QStringList>
#include <deque>
#include <memory>

// Importing music folders: a scan on its worker thread, its songs applied a
// batch per step on the GUI thread.
struct FolderImport
{
    std::unique_ptr<FolderScanJob> folderScan;
    // Taken from the scan, not applied yet.
    std::deque<FoundSong> folderSongs;
    bool wholeSource = false;
    // Folders and files waiting for a library file read to end.
    QStringList pendingMusicPaths;
    bool pendingWholeSource = false;
};
