#pragma once

#include <QElapsedTimer>

// Long work that must end before a command returns (the file read and the
// flag reset of an import) takes a break every few milliseconds, in which the
// window repaints and timers run; user input waits until the work is done,
// so no command can start in the middle of it.
class PaintBreaks
{
public:
    static constexpr qint64 sliceMs = 20;

    PaintBreaks() { clock.start(); }
    // Takes a break when the current slice is used up.
    void take();

private:
    QElapsedTimer clock;
};
