#pragma once

#include "folders/musicfolderscan.h"

#include <QMutex>
#include <QStringList>
#include <atomic>
#include <deque>
#include <memory>
#include <thread>

// A scan of music folders on a worker thread. The GUI thread takes the songs
// found so far whenever it likes and never waits for the walk.
class FolderScanJob
{
public:
    explicit FolderScanJob(const QStringList &paths);
    // Stops the walk and waits for the worker, which ends within one file.
    ~FolderScanJob();
    FolderScanJob(const FolderScanJob &) = delete;
    FolderScanJob &operator=(const FolderScanJob &) = delete;

    // Moves up to max found songs into songs; returns how many.
    int takeSongs(std::deque<FoundSong> &songs, int max);
    // The walk has ended and every song it found has been taken.
    bool done();
    qint64 filesSeen() const { return seen; }
    // Valid once done.
    ScanCounts counts() const { return result; }
    void cancel() { cancelled = true; }

private:
    QMutex lock;
    std::deque<FoundSong> found;
    std::atomic_bool cancelled{false};
    std::atomic_bool walkEnded{false};
    std::atomic<qint64> seen{0};
    ScanCounts result;
    std::thread worker;
};
