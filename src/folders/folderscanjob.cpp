#include "folders/folderscanjob.h"

#include <QMutexLocker>

FolderScanJob::FolderScanJob(const QStringList &paths)
{
    worker = std::thread([this, paths] {
        result = scanMusicPaths(
            paths,
            [this](FoundSong &&song) {
                const QMutexLocker hold(&lock);
                found.push_back(std::move(song));
            },
            cancelled, seen);
        walkEnded = true;
    });
}

FolderScanJob::~FolderScanJob()
{
    cancelled = true;
    worker.join();
}

int FolderScanJob::takeSongs(std::deque<FoundSong> &songs, int max)
{
    const QMutexLocker hold(&lock);
    int taken = 0;
    while (taken < max && !found.empty()) {
        songs.push_back(std::move(found.front()));
        found.pop_front();
        ++taken;
    }
    return taken;
}

bool FolderScanJob::done()
{
    if (!walkEnded)
        return false;
    const QMutexLocker hold(&lock);
    return found.empty();
}
