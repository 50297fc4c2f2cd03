// velmora-bpm: finds the tempo of audio files from the command line, with the
// converter and the analyser that the window's BeatFind runs.

#include "bpmbatch.h"
#include "bpmoptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

void onInterrupt(int signalNumber)
{
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-bpm"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    QString error;
    const BpmOptions options = parseBpmOptions(QCoreApplication::arguments(), &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "velmora-bpm: %s\n", error.toLocal8Bit().constData());
        return 2;
    }

    BpmBatch batch(options);
    // An interrupt ends the children and removes their WAV files before the
    // program goes; the handler only wakes the event loop.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, interruptPipe) == 0) {
        auto *notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&batch] {
            char signalNumber = 0;
            [[maybe_unused]] const ssize_t got = ::read(interruptPipe[0], &signalNumber, 1);
            batch.abort();
            std::fputs("velmora-bpm: interrupted\n", stderr);
            QCoreApplication::exit(128 + signalNumber);
        });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        std::signal(SIGHUP, onInterrupt);
    }
    QObject::connect(&batch, &BpmBatch::finished, &app,
                     [&batch] { QCoreApplication::exit(batch.anyFailed() ? 1 : 0); });
    // Started from the event loop, so that a batch that ends at once still ends it.
    QMetaObject::invokeMethod(&batch, &BpmBatch::start, Qt::QueuedConnection);
    return app.exec();
}
