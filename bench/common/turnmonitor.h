#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures the longest stretch in which the event loop did not get round to a
// 1 ms probe timer: what a user feels as a stalled window.
class TurnMonitor : public QObject
{
public:
    TurnMonitor()
    {
        probe.setInterval(1);
        connect(&probe, &QTimer::timeout, this, [this] {
            longestMs = std::max(longestMs, sinceLast.nsecsElapsed() / 1e6);
            sinceLast.start();
        });
        sinceLast.start();
        probe.start();
    }
    double longest() const { return longestMs; }

private:
    QTimer probe;
    QElapsedTimer sinceLast;
    double longestMs = 0;
};
