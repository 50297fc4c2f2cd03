#include "phonesync.h"
#include "songfile.h"
#include "songfolder.h"
#include "sync/wirecodec.h"

#include <QDeadlineTimer>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>

namespace {

// Keeps the phone's own write buffer small when it sends a long song file.
constexpr qint64 maxBuffered = 1 << 20;
// A bound on the reply, far above any library.
constexpr int maxBpmRecords = 10000000;

class Phone
{
public:
    Phone(const PhoneOptions &options) : options(options) {}

    int run()
    {
        // The desktop is on the LAN: never through a proxy.
        socket.setProxy(QNetworkProxy::NoProxy);
        socket.connectToHost(options.host, wire::syncPort);
        if (!socket.waitForConnected(options.timeoutMs))
            return fail("cannot connect");
        for (const PhoneStep &step : options.steps) {
            const int result = play(step);
            if (result != 0)
                return result;
        }
        if (!options.wantBpms) {
            if (!flush())
                return fail("cannot send");
            socket.disconnectFromHost();
            return 0;
        }
        if (!send(wire::encodeWantBpms()) || !flush())
            return fail("cannot send");
        return readBpmList();
    }

private:
    int play(const PhoneStep &step)
    {
        switch (step.kind) {
        case PhoneStep::Version:
            return send(wire::encodeVersion(step.number)) ? 0 : fail("cannot send");
        case PhoneStep::Raw:
            return send(step.bytes.toStdString()) ? 0 : fail("cannot send");
        case PhoneStep::Pause:
            if (!flush())
                return fail("cannot send");
            QThread::msleep(static_cast<unsigned long>(step.number));
            return 0;
        case PhoneStep::Songs:
        case PhoneStep::Folder:
            break;
        }
        std::vector<wire::MusicPassFields> songs;
        QString error;
        const bool read = step.kind == PhoneStep::Songs ? readSongFile(step.path, &songs, &error)
                                                        : readSongFolder(step.path, &songs, &error);
        if (!read) {
            std::fprintf(stderr, "velmora-phone: %s\n", error.toLocal8Bit().constData());
            return 2;
        }
        for (const wire::MusicPassFields &song : songs) {
            if (!send(wire::encodeMusicPass(song)))
                return fail("cannot send");
        }
        return 0;
    }

    bool send(const std::string &bytes)
    {
        if (socket.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
            return false;
        return socket.bytesToWrite() < maxBuffered || flush();
    }

    bool flush()
    {
        const QDeadlineTimer deadline(options.timeoutMs);
        while (socket.bytesToWrite() > 0) {
            if (deadline.hasExpired() || !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
                return false;
        }
        return true;
    }

    bool readExactly(char *buffer, qint64 count, const QDeadlineTimer &deadline)
    {
        while (socket.bytesAvailable() < count) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                return false;
        }
        return socket.read(buffer, count) == count;
    }

    int readBpmList()
    {
        const QDeadlineTimer deadline(options.timeoutMs);
        char bytes[wire::bpmRecordBytes];
        for (int records = 0; records <= maxBpmRecords; ++records) {
            if (!readExactly(bytes, wire::commandBytes, deadline))
                return fail("the BPM list ended before CMD_DONE");
            const int32_t code = wire::readInt32(bytes);
            if (code == wire::CMD_DONE) {
                std::fflush(stdout);
                return 0;
            }
            if (code != wire::CMD_BPMRECORD) {
                std::fprintf(stderr, "velmora-phone: unexpected reply code %d\n", code);
                return 3;
            }
            if (!readExactly(bytes, wire::bpmRecordBytes, deadline))
                return fail("a BPM record broke off");
            const wire::BpmRecord record = wire::decodeBpmRecord(bytes);
            std::printf("%lld\t%d\n", static_cast<long long>(record.persistentID), record.bpm);
        }
        std::fprintf(stderr, "velmora-phone: more than %d BPM records\n", maxBpmRecords);
        return 3;
    }

    int fail(const char *what)
    {
        std::fflush(stdout);
        std::fprintf(stderr, "velmora-phone: %s (%s:%d): %s\n", what, options.host.toLocal8Bit().constData(),
                     wire::syncPort, socket.errorString().toLocal8Bit().constData());
        return 1;
    }

    const PhoneOptions &options;
    QTcpSocket socket;
};

} // namespace

int syncWithDesktop(const PhoneOptions &options) { return Phone(options).run(); }
