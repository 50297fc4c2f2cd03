#include "sync/guihandover.h"

bool GuiHandOver::run(const Work &work)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (cancelled)
        return false;
    pending = &work;
    done = false;
    lock.unlock();
    QMetaObject::invokeMethod(this, "runSlice", Qt::QueuedConnection);
    lock.lock();
    finished.wait(lock, [this] { return done || cancelled; });
    pending = nullptr;
    return done;
}

void GuiHandOver::cancel()
{
    std::lock_guard<std::mutex> lock(mutex);
    cancelled = true;
    finished.notify_all();
}

void GuiHandOver::runSlice()
{
    const Work *work;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (cancelled || !pending)
            return;
        work = pending;
    }
    // The session waits meanwhile, so the work's data is not touched by it.
    if (!(*work)()) {
        QMetaObject::invokeMethod(this, "runSlice", Qt::QueuedConnection);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    finished.notify_all();
}
