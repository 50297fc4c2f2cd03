// velmora-bpm: finds the tempo of audio files from the command line, with the
// converter and the analyser that the window's BeatFind runs.

#include "bpmbatch.h"
#include "bpmoptions.h"
#include "stoponsignals.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// Enough for the children to stop and their WAV files to go.
constexpr int stopGraceMs = 3000;

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
    // program goes.
    stopOnSignals([&batch] { batch.abort(); }, "velmora-bpm: interrupted\n", stopGraceMs);
    QObject::connect(&batch, &BpmBatch::finished, &app,
                     [&batch] { QCoreApplication::exit(batch.anyFailed() ? 1 : 0); });
    // Started from the event loop, so that a batch that ends at once still ends it.
    QMetaObject::invokeMethod(&batch, &BpmBatch::start, Qt::QueuedConnection);
    return app.exec();
}
