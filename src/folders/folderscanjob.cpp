#include "folders/folderscanjob.h"

#include <chrono>

FolderScanJob::FolderScanJob(const QStringList &paths, const Scan &scan)
{
    worker = std::thread([state = state, paths, scan] {
        const ScanCounts result = scan(
            paths,
            [&state](FoundSong &&song) {
                const std::lock_guard<std::mutex> hold(state->lock);
                state->found.push_back(std::move(song));
            },
            state->cancelled, state->seen);
        const std::lock_guard<std::mutex> hold(state->lock);
        state->result = result;
        state->walkEnded = true;
        state->ended.notify_all();
    });
}

FolderScanJob::~FolderScanJob()
{
    state->cancelled = true;
    std::unique_lock<std::mutex> hold(state->lock);
    const bool ended =
        state->ended.wait_for(hold, std::chrono::milliseconds(stopWaitMs), [this] { return state->walkEnded; });
    hold.unlock();
    if (ended)
        worker.join();
    else
        worker.detach();
}

int FolderScanJob::takeSongs(std::deque<FoundSong> &songs, int max)
{
    const std::lock_guard<std::mutex> hold(state->lock);
    int taken = 0;
    while (taken < max && !state->found.empty()) {
        songs.push_back(std::move(state->found.front()));
        state->found.pop_front();
        ++taken;
    }
    return taken;
}

bool FolderScanJob::done()
{
    const std::lock_guard<std::mutex> hold(state->lock);
    return state->walkEnded && state->found.empty();
}
