#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

// Keeps the table from repainting after every slice of a session's changes,
// which with a large table costs more than the slice itself: while slices
// keep coming it paints a few times a second, and once they stop it paints
// the final state. GUI thread only.
class RepaintThrottle : public QObject
{
public:
    RepaintThrottle();
    ~RepaintThrottle() override;

    // Called before each slice that changes the table.
    void holdForSlice(QWidget *table);

private:
    void release();

    QPointer<QWidget> held;
    QTimer timer;
};
