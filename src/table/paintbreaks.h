#pragma once

#include <QElapsedTimer>
#include <QEventLoop>

// Long work that must end before a command returns (the file read and the
// flag reset of an import) takes a break every few milliseconds, in which the
// window repaints and timers run; user input waits until the work is done,
// so no command can start in the middle of it.
class PaintBreaks
{
public:
    static constexpr qint64 sliceMs = 20;

    // Work that must not see a new phone session begin in the middle of it
    // also leaves socket notifiers waiting.
    explicit PaintBreaks(QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeUserInputEvents) : flags(flags)
    {
        clock.start();
    }
    // Takes a break when the current slice is used up.
    void take();
    // Takes a break at once, for work that follows other long work in the
    // same turn.
    void takeNow();

private:
    QEventLoop::ProcessEventsFlags flags;
    QElapsedTimer clock;
};
