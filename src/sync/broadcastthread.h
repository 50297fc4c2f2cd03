#pragma once

#include "sync/guihandover.h"
#include "sync/phonemerge.h"
#include "sync/phonemessagereader.h"

#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class QTcpSocket;

// The thread of one phone session at a time. run() does the socket I/O and
// decoding; everything that touches the library is handed to the GUI thread.
class BroadcastThread : public QThread
{
    Q_OBJECT

public:
    explicit BroadcastThread(QObject *parent = nullptr);

    // GUI thread: serves the accepted connection in a new session.
    void serve(qintptr descriptor);
    // GUI thread: ends a running session promptly and for good, whether it
    // waits for the phone or for the GUI thread, and joins its thread.
    void stop();

    qintptr socketDescriptor = -1;

protected:
    void run() override;

private:
    // Applies the queued messages on the GUI thread; false once stopped.
    bool flush();
    void sendBpmList(QTcpSocket &socket);
    // Closes the connection; stop() leaves the descriptor alone from then on.
    void closeConnection(std::unique_ptr<QTcpSocket> socket);

    GuiHandOver handOver;
    // What the session's messages do to the library; made afresh for each
    // session, used on the GUI thread only, while the session waits.
    std::unique_ptr<PhoneMerge> merge;
    // Messages read but not yet applied; session thread only, but for the
    // GUI thread's slices while the session waits for them.
    std::vector<PhoneMessage> queued;
    size_t queuedBytes = 0;

    // Whether socketDescriptor is still open, so stop() never touches a
    // descriptor that has been closed and perhaps reused.
    std::mutex descriptorMutex;
    bool descriptorOpen = false;

    // Set as the thread emits finished(), by the last slot connected to it.
    // QThread::wait() alone is enough, but when the thread has already
    // ended it synchronises in a way that ThreadSanitizer cannot see.
    void noteSessionEnded();
    std::mutex endMutex;
    std::condition_variable endSignalled;
    bool sessionEnded = true;
};
