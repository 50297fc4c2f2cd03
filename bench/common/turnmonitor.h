#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <ctime>

// Measures the longest stretch in which the event loop did not get round to a
// 1 ms probe timer: what a user feels as a stalled window. On a machine shared
// with other work a stretch also holds time spent waiting for a core, so the
// longest stretch in this thread's own CPU time is kept as well.
class TurnMonitor : public QObject
{
public:
    TurnMonitor()
    {
        probe.setInterval(1);
        connect(&probe, &QTimer::timeout, this, [this] {
            longestMs = std::max(longestMs, sinceLast.nsecsElapsed() / 1e6);
            const double cpu = threadCpuMs();
            longestCpuMs = std::max(longestCpuMs, cpu - cpuAtLast);
            cpuAtLast = cpu;
            sinceLast.start();
        });
        sinceLast.start();
        cpuAtLast = threadCpuMs();
        probe.start();
    }
    double longest() const { return longestMs; }
    double longestCpu() const { return longestCpuMs; }

    static double threadCpuMs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    }

private:
    QTimer probe;
    QElapsedTimer sinceLast;
    double longestMs = 0;
    double cpuAtLast = 0;
    double longestCpuMs = 0;
};
