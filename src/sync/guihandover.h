#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

// Runs work for the session thread on the GUI thread, which alone touches
// records, tableMap and the table, and makes the session wait until it is
// done. Work that takes long runs in slices, each in an event-loop turn of
// its own, so the window keeps painting meanwhile.
class GuiHandOver : public QObject
{
    Q_OBJECT

public:
    // Called on the GUI thread once per slice until it returns true.
    using Work = std::function<bool()>;

    // Session thread. Returns false when cancelled: the work then ran in part
    // or not at all, and will never run again.
    bool run(const Work &work);
    // GUI thread. Releases a waiting session for good; no work runs after it.
    // This is how quitting ends a session whose GUI event loop is gone.
    void cancel();

private slots:
    // Posted by name: a posted functor would be freed by whichever thread
    // lets go of it last.
    void runSlice();

private:
    std::mutex mutex;
    std::condition_variable finished;
    const Work *pending = nullptr;
    bool done = false;
    bool cancelled = false;
};
