#pragma once

#include "tags/bpmtagwriter.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <memory>

// One song's BPM to be written into its file.
struct BpmWriteRequest
{
    QString title;
    QString path;
    int bpm = 0;
    bool isProtected = false;
};

// Writes BPM tags one file after another on a thread of its own, so that
// copying and flushing many files never holds the window; each result comes
// back on the thread that owns the queue. Requests may be added at any time;
// when the last one is done, the counts since the queue was last idle follow.
class BpmTagQueue : public QObject
{
    Q_OBJECT

public:
    explicit BpmTagQueue(QObject *parent = nullptr);
    // Drops the requests not yet started and waits for the file in hand.
    ~BpmTagQueue() override;

    void enqueue(const BpmWriteRequest &request);
    bool isBusy() const { return pending > 0; }

signals:
    void fileDone(const BpmWriteRequest &request, const BpmWriteResult &result);
    void allDone(int written, int notWritten);

private:
    void finishOne(const BpmWriteRequest &request, const BpmWriteResult &result);

    QThread thread;
    // Lives on the thread; the writes run in its event queue.
    std::unique_ptr<QObject> worker;
    std::atomic<bool> stopping{false};
    int pending = 0;
    int written = 0;
    int notWritten = 0;
};

Q_DECLARE_METATYPE(BpmWriteRequest)
Q_DECLARE_METATYPE(BpmWriteResult)
