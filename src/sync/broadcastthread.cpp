#include "sync/broadcastthread.h"
#include "library/songstore.h"
#include "sync/phonemerge.h"
#include "sync/qvxread.h"
#include "sync/wirecodec.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <cstdio>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Messages read ahead of the GUI thread before it must apply them: many per
// hand-over for throughput, bounded in memory.
constexpr size_t maxQueuedMessages = 1024;
constexpr size_t maxQueuedBytes = 8u << 20;
// GUI thread time per slice of applying; the window paints between slices.
constexpr qint64 sliceMs = 10;
constexpr int finalFlushMs = 10000;

// Reads from the session's socket. Whatever was read before takes effect
// before the session waits for more, so the library never lags behind what
// the phone has delivered and no wait's diagnostic overtakes a message's.
class SocketSource : public ByteSource
{
public:
    SocketSource(QTcpSocket &socket, std::function<bool()> applyQueued)
        : socket(socket), applyQueued(std::move(applyQueued))
    {}

    int64_t read(std::string &out, int64_t count) override
    {
        if (socket.bytesAvailable() < count && !applyQueued()) {
            out.clear();
            return -1;
        }
        return qvxread(&socket, out, count);
    }

private:
    QTcpSocket &socket;
    std::function<bool()> applyQueued;
};

void reportFailure(const ReadResult &result)
{
    switch (result.failure) {
    case ReadResult::None:
        break;
    case ReadResult::CommandShort:
        std::perror("recv2");
        std::printf(" got %d\n", static_cast<int>(result.got));
        break;
    case ReadResult::VersionShort:
        std::perror("recv3");
        break;
    case ReadResult::HeaderShort:
        std::perror("recv4");
        break;
    case ReadResult::FieldShort:
        std::perror("recv1");
        break;
    case ReadResult::BadLengths:
        if (result.lengths.problem == wire::LengthCheck::MessageTooLong)
            std::fprintf(stderr, "MUSICPASS of %lld bytes refused\n", static_cast<long long>(result.lengths.total));
        else
            std::fprintf(stderr, "MUSICPASS field %d length refused\n", result.lengths.field);
        break;
    }
    std::fflush(stdout);
}

size_t messageBytes(const PhoneMessage &message)
{
    size_t bytes = sizeof message;
    for (const std::string &field : message.fields)
        bytes += field.size();
    return bytes;
}

} // namespace

BroadcastThread::BroadcastThread(QObject *parent) : QThread(parent) {}

void BroadcastThread::serve(qintptr descriptor)
{
    socketDescriptor = descriptor;
    {
        std::lock_guard<std::mutex> lock(descriptorMutex);
        descriptorOpen = true;
    }
    {
        std::lock_guard<std::mutex> lock(endMutex);
        sessionEnded = false;
    }
    // Connected at the first session, after the server's own slot.
    connect(this, &QThread::finished, this, &BroadcastThread::noteSessionEnded,
            static_cast<Qt::ConnectionType>(Qt::DirectConnection | Qt::UniqueConnection));
    start();
}

void BroadcastThread::stop()
{
    handOver.cancel();
    {
        // Shutting the connection down wakes a session that waits for the phone.
        std::lock_guard<std::mutex> lock(descriptorMutex);
        if (descriptorOpen)
            ::shutdown(static_cast<int>(socketDescriptor), SHUT_RDWR);
    }
    wait();
    std::unique_lock<std::mutex> lock(endMutex);
    endSignalled.wait(lock, [this] { return sessionEnded; });
}

void BroadcastThread::noteSessionEnded()
{
    std::lock_guard<std::mutex> lock(endMutex);
    sessionEnded = true;
    endSignalled.notify_all();
}

void BroadcastThread::run()
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->setProxy(QNetworkProxy::NoProxy);
    if (!socket->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        std::fputs("tcpSocket problem\n", stderr);
        socket.reset();
        std::lock_guard<std::mutex> lock(descriptorMutex);
        descriptorOpen = false;
        ::close(static_cast<int>(socketDescriptor));
        return;
    }
    merge = std::make_unique<PhoneMerge>();
    SocketSource source(*socket, [this] { return flush(); });
    for (;;) {
        PhoneMessage message;
        const ReadResult result = readPhoneMessage(source, message);
        const bool wantsBpms = result.hasMessage && message.kind == PhoneMessage::WantBpms;
        if (result.hasMessage && !wantsBpms) {
            queuedBytes += messageBytes(message);
            queued.push_back(std::move(message));
        }
        if (result.failure != ReadResult::None) {
            flush();
            reportFailure(result);
            break;
        }
        if (wantsBpms) {
            if (flush())
                sendBpmList(*socket);
            break;
        }
        if ((queued.size() >= maxQueuedMessages || queuedBytes >= maxQueuedBytes) && !flush())
            break;
    }
    queued.clear();
    queuedBytes = 0;
    socket->disconnectFromHost();
    closeConnection(std::move(socket));
}

bool BroadcastThread::flush()
{
    if (queued.empty())
        return true;
    size_t next = 0;
    const bool applied = handOver.run([this, &next] {
        // The slice's changes reach the table as one.
        SongStore::Batch batch(SongStore::library());
        QElapsedTimer slice;
        slice.start();
        while (next < queued.size() && slice.elapsed() < sliceMs) {
            if (merge->prepare(queued[next], QDeadlineTimer(sliceMs - slice.elapsed())))
                merge->apply(queued[next++]);
        }
        std::fflush(stdout);
        return next == queued.size();
    });
    queued.clear();
    queuedBytes = 0;
    return applied;
}

void BroadcastThread::sendBpmList(QTcpSocket &socket)
{
    std::fputs("wantbpms\n", stderr);
    std::fputs("In writting mode\n", stderr);
    std::vector<wire::BpmRecord> list;
    if (!handOver.run([&list] {
            list = bpmListForPhone();
            return true;
        }))
        return;
    for (const wire::BpmRecord &record : list) {
        const std::string bytes = wire::encodeBpmRecord(record.persistentID, record.bpm);
        if (socket.write(bytes.data(), wire::commandBytes) < wire::commandBytes) {
            std::perror("send");
            return;
        }
        if (socket.write(bytes.data() + wire::commandBytes, wire::bpmRecordBytes) < wire::bpmRecordBytes) {
            std::perror("send");
            return;
        }
        std::fprintf(stderr, "persistentID: %llx bpm: %d\n", static_cast<unsigned long long>(record.persistentID),
                     static_cast<int>(static_cast<uint16_t>(record.bpm)));
    }
    const std::string done = wire::encodeDone();
    if (socket.write(done.data(), wire::commandBytes) < wire::commandBytes) {
        std::perror("send");
        return;
    }
    std::fputs("done\n", stderr);
    // One wait may send only part of a long list, and what is still buffered
    // when the socket goes is lost: wait until all is out, within the limit.
    QElapsedTimer flushing;
    flushing.start();
    while (socket.bytesToWrite() > 0 && flushing.elapsed() < finalFlushMs
           && socket.waitForBytesWritten(static_cast<int>(finalFlushMs - flushing.elapsed()))) {
    }
}

void BroadcastThread::closeConnection(std::unique_ptr<QTcpSocket> socket)
{
    {
        std::lock_guard<std::mutex> lock(descriptorMutex);
        descriptorOpen = false;
    }
    socket.reset();
}
