#include "analysis/songjob.h"
#include "analysis/analysisprograms.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Children with one job per core take every core; at a lower priority they
// leave the window (and whatever else the user does) a core on demand. The
// run as a whole is as fast, since nothing else competes for long.
constexpr int childNiceness = 10;

// How long a stopped child gets to clean up after itself, and then to die.
constexpr int stopGraceMs = 3000;

} // namespace

SongJob::SongJob(const QString &converterPath, const QString &analyserPath, const QString &songPath, QObject *parent)
    : QObject(parent), converterPath(converterPath), analyserPath(analyserPath), songPath(songPath)
{
    connect(&process, &QProcess::finished, this, &SongJob::childFinished);
    connect(&process, &QProcess::errorOccurred, this, &SongJob::childError);
#ifdef Q_OS_UNIX
    process.setChildProcessModifier([] {
        // Failing to lower the priority is harmless: the child runs as before.
        [[maybe_unused]] const int niceness = ::nice(childNiceness);
    });
#endif
}

SongJob::~SongJob()
{
    terminate();
    reap();
}

void SongJob::start() { startConverter(process, converterPath, songPath); }

void SongJob::terminate()
{
    if (done)
        return;
    stopped = true;
    if (process.state() != QProcess::NotRunning)
        process.terminate();
}

void SongJob::reap()
{
    if (done || !stopped)
        return;
    done = true;
    // The job is over: the child's end must not take another step.
    const QSignalBlocker quiet(process);
    if (process.state() != QProcess::NotRunning) {
        if (!process.waitForFinished(stopGraceMs)) {
            process.kill();
            process.waitForFinished(stopGraceMs);
        }
        if (!analysing)
            wavPath = conversionReport(readOutputPieces(process).pieces).wavPath;
    }
    removeWav();
}

void SongJob::childFinished(int, QProcess::ExitStatus exitStatus)
{
    if (done)
        return;
    const OutputPieces output = readOutputPieces(process);
    if (!analysing) {
        outcome.converterPieces = output.pieces;
        outcome.report = conversionReport(output.pieces);
        // A crashed converter may still have named the WAV file it left behind.
        wavPath = outcome.report.wavPath;
    } else {
        outcome.analyserPieces = output.pieces;
    }
    const QString phase = analysing ? QStringLiteral("analyser") : QStringLiteral("converter");
    if (exitStatus == QProcess::CrashExit) {
        finish(SongJobResult::Failed, QStringLiteral("the %1 crashed").arg(phase));
        return;
    }
    (analysing ? outcome.analyserOutputShown : outcome.converterOutputShown) = true;
    if (output.emptyRead) {
        finish(SongJobResult::Failed, QStringLiteral("the %1's output was cut short").arg(phase));
        return;
    }
    if (analysing) {
        finish(SongJobResult::Analysed, QString());
        return;
    }
    if (!isAcceptedFormat(outcome.report)) {
        finish(SongJobResult::UnsupportedFormat, converterComplaint());
        return;
    }
    if (!QFile::exists(wavPath)) {
        finish(SongJobResult::Failed, QStringLiteral("the converter's WAV file is missing"));
        return;
    }
    analysing = true;
    emit phaseChanged();
    process.start(analyserPath, {wavPath});
}

// A child that could not be started ends like one that crashed, though no
// finished signal comes for it.
void SongJob::childError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || done)
        return;
    const QString program = analysing ? analyserPath : converterPath;
    finish(SongJobResult::Failed, QStringLiteral("cannot start %1: %2").arg(program, process.errorString()));
}

void SongJob::finish(SongJobResult::Outcome result, const QString &reason)
{
    done = true;
    removeWav();
    outcome.outcome = result;
    outcome.reason = reason;
    emit finished();
}

void SongJob::removeWav()
{
    // Whatever a converter claims, the song's own file is never deleted.
    if (!wavPath.isEmpty() && QFileInfo(wavPath) != QFileInfo(songPath))
        QFile::remove(wavPath);
    wavPath.clear();
}

// The converter's last line on standard error, which says why it failed.
QString SongJob::converterComplaint()
{
    const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
    const QString last = QString::fromLocal8Bit(lines.last().trimmed());
    return last.isEmpty() ? QStringLiteral("the converter gave no WAV file") : last;
}
