#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

class Tagdesk;

// The longest stretch in which the event loop got to no timer: a zero-delay
// timer fires on every pass of the loop, nested ones included, so the
// longest gap between its firings is the longest turn. The longest gaps in
// this thread's CPU time are kept too: on a machine shared with other work a
// turn also holds time spent waiting for a core.
class TurnProbe : public QObject
{
public:
    TurnProbe();
    void restart();
    // The three longest turns, longest first, then the three longest in CPU
    // time, e.g. "1329, 41, 38 ms (in CPU time 1201, 35, 30 ms)".
    QString longestTurns() const;

private:
    void tick();

    QTimer timer;
    QElapsedTimer sinceLast;
    std::array<qint64, 3> longestNs = {};
    qint64 cpuAtLast = 0;
    std::array<qint64, 3> longestCpuNs = {};
};

// Peak resident memory of the process so far, in megabytes (VmHWM).
long peakMemoryMb();

// The import writes a line per track; while the figures are taken that goes
// to /dev/null, and the figures to the real standard output.
void silenceStandardOutput();
void printFigure(const QString &line);

QString itunesLibraryPath();
// Whether $HOME holds an iTunes library file; says so on standard error when not.
bool haveItunesLibrary();
// Shows the window at the size the benchmarks measure it.
void showBenchWindow(Tagdesk &window);
// Milliseconds of one bare QXmlStreamReader pass over the file.
qint64 bareReadMs(const QString &path);
// How long the table takes to sort itself in its current order, as the
// import and the merge make it do in their last turn.
qint64 resortMs(Tagdesk &window);
// Empties the library before the window goes.
void emptyLibrary(Tagdesk &window);
// Runs the "From iTunes" command; returns how long the command itself held
// the event loop, and waits for loadItunesDone().
qint64 runImport(Tagdesk &window);
