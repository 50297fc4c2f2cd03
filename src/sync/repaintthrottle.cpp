#include "sync/repaintthrottle.h"

#include <QWidget>

namespace {

constexpr int paintIntervalMs = 250;

} // namespace

RepaintThrottle::RepaintThrottle()
{
    timer.setSingleShot(true);
    timer.setInterval(paintIntervalMs);
    connect(&timer, &QTimer::timeout, this, &RepaintThrottle::release);
}

RepaintThrottle::~RepaintThrottle() { release(); }

void RepaintThrottle::holdForSlice(QWidget *table)
{
    // Updates that someone else turned off stay theirs to turn on.
    if (!table || held || !table->updatesEnabled())
        return;
    table->setUpdatesEnabled(false);
    held = table;
    timer.start();
}

void RepaintThrottle::release()
{
    if (!held)
        return;
    QWidget *table = held;
    held = nullptr;
    table->setUpdatesEnabled(true);
    // Painted now: the next slice may turn updates off before a posted
    // update request would be handled.
    table->repaint();
}
