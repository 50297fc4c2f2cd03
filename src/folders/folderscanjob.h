#pragma once

#include "folders/musicfolderscan.h"

#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A scan of music folders on a worker thread. The GUI thread takes the songs
// found so far whenever it likes and never waits for the walk.
class FolderScanJob
{
public:
    using Scan = std::function<ScanCounts(const QStringList &paths, const std::function<void(FoundSong &&)> &take,
                                          const std::atomic_bool &cancel, std::atomic<qint64> &filesSeen)>;

    explicit FolderScanJob(const QStringList &paths, const Scan &scan = scanMusicPaths);
    // Stops the walk and waits for the worker, which ends within one file;
    // but never longer than stopWaitMs: a worker stuck in a read that never
    // returns (a file system that hangs) is left to end by itself, and the
    // program can still quit.
    ~FolderScanJob();
    FolderScanJob(const FolderScanJob &) = delete;
    FolderScanJob &operator=(const FolderScanJob &) = delete;

    static constexpr int stopWaitMs = 1000;

    // Moves up to max found songs into songs; returns how many.
    int takeSongs(std::deque<FoundSong> &songs, int max);
    // The walk has ended and every song it found has been taken.
    bool done();
    qint64 filesSeen() const { return state->seen; }
    // Valid once done.
    ScanCounts counts() const { return state->result; }
    void cancel() { state->cancelled = true; }

private:
    // Shared with the worker, so that a worker left behind still has it.
    struct State
    {
        std::mutex lock;
        std::condition_variable ended;
        std::deque<FoundSong> found;
        std::atomic_bool cancelled{false};
        bool walkEnded = false;
        std::atomic<qint64> seen{0};
        ScanCounts result;
    };

    std::shared_ptr<State> state = std::make_shared<State>();
    std::thread worker;
};
