#include "tags/bpmtagqueue.h"

BpmTagQueue::BpmTagQueue(QObject *parent) : QObject(parent), worker(std::make_unique<QObject>())
{
    thread.setObjectName(QStringLiteral("BPM tag writer"));
    worker->moveToThread(&thread);
}

BpmTagQueue::~BpmTagQueue()
{
    stopping = true;
    thread.quit();
    thread.wait();
}

void BpmTagQueue::enqueue(const BpmWriteRequest &request)
{
    // The thread starts with the first write: a window whose user never
    // writes tags keeps no idle thread.
    if (!thread.isRunning())
        thread.start();
    ++pending;
    QMetaObject::invokeMethod(
        worker.get(),
        [this, request] {
            if (stopping)
                return;
            const BpmWriteResult result =
                request.isProtected ? protectedSongResult() : writeBpmTag(request.path, request.bpm);
            QMetaObject::invokeMethod(
                this, [this, request, result] { finishOne(request, result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void BpmTagQueue::finishOne(const BpmWriteRequest &request, const BpmWriteResult &result)
{
    --pending;
    ++(result.written() ? written : notWritten);
    emit fileDone(request, result);
    if (pending == 0) {
        const int writtenNow = written;
        const int notWrittenNow = notWritten;
        written = notWritten = 0;
        emit allDone(writtenNow, notWrittenNow);
    }
}
