#include "analysis/analysispool.h"
#include "analysis/tempspace.h"

#include <QDir>
#include <QLocale>

AnalysisPool::AnalysisPool(QObject *parent) : QObject(parent) {}

AnalysisPool::~AnalysisPool() { abort(); }

void AnalysisPool::start(int count, int jobs, SongSource songs)
{
    abort();
    source = std::move(songs);
    songCount = count;
    jobLimit = qMax(1, jobs);
    nextPosition = 0;
    analysedSongs = 0;
    releases.clear();
    running = true;
    starting = true;
    clock.start();
    fill();
}

void AnalysisPool::stopStarting()
{
    starting = false;
    if (running)
        endIfDone();
}

void AnalysisPool::abort()
{
    if (!running)
        return;
    running = false;
    starting = false;
    const QList<InHand> stopping = inHand;
    inHand.clear();
    for (const InHand &song : stopping)
        song.job->terminate();
    for (const InHand &song : stopping) {
        song.job->reap();
        delete song.job;
    }
    releases.clear();
}

void AnalysisPool::fill()
{
    // A child that cannot start ends its job inside start(), which brings
    // its result back here: the loop below goes on with it.
    if (filling)
        return;
    filling = true;
    while (running && starting && inHand.size() < jobLimit && nextPosition < songCount) {
        const int position = nextPosition++;
        const QString songPath = source(position);
        // The caller may have ended the run while it was asked.
        if (!running)
            break;
        SongJobResult passedOver;
        if (songPath.isEmpty()) {
            releases.put(position, passedOver);
            continue;
        }
        qint64 reserved = 0;
        for (const InHand &song : inHand)
            reserved += song.reservedBytes;
        const qint64 needed = wavBytesNeeded(songPath);
        const qint64 available = tempBytesAvailable();
        if (!hasRoomForWav(available, reserved, needed)) {
            passedOver.outcome = SongJobResult::NoRoom;
            passedOver.reason = QStringLiteral("the temporary folder %1 has %2 free, its WAV file needs about %3")
                                    .arg(QDir::toNativeSeparators(QDir::tempPath()),
                                         QLocale::c().formattedDataSize(qMax<qint64>(0, available - reserved)),
                                         QLocale::c().formattedDataSize(needed));
            releases.put(position, passedOver);
            continue;
        }
        auto *job = new SongJob(converterPath, analyserPath, songPath);
        connect(job, &SongJob::finished, this, [this, job] { jobFinished(job); });
        connect(job, &SongJob::phaseChanged, this, &AnalysisPool::progressed);
        inHand.append({position, job, needed});
        job->start();
    }
    filling = false;
    releaseReady();
}

void AnalysisPool::jobFinished(SongJob *job)
{
    for (qsizetype i = 0; i < inHand.size(); ++i) {
        if (inHand.at(i).job != job)
            continue;
        releases.put(inHand.at(i).position, job->result());
        inHand.removeAt(i);
        ++analysedSongs;
        job->deleteLater();
        break;
    }
    fill();
}

void AnalysisPool::releaseReady()
{
    // A slot of released() that starts a nested event loop may bring the
    // next finished job here; the outer loop releases its result.
    if (releasing)
        return;
    releasing = true;
    while (running && releases.hasNext()) {
        const int position = releases.nextPosition();
        const SongJobResult result = releases.takeNext();
        emit released(position, result);
    }
    releasing = false;
    if (running)
        emit progressed();
    endIfDone();
}

void AnalysisPool::endIfDone()
{
    if (!running || !inHand.isEmpty() || !releases.isEmpty() || releasing)
        return;
    if (starting && nextPosition < songCount)
        return;
    running = false;
    starting = false;
    emit finished();
}

int AnalysisPool::oldestInHand() const
{
    int oldest = -1;
    for (const InHand &song : inHand) {
        if (oldest < 0 || song.position < oldest)
            oldest = song.position;
    }
    return oldest;
}

bool AnalysisPool::isAnalysing(int position) const
{
    for (const InHand &song : inHand) {
        if (song.position == position)
            return song.job->isAnalysing();
    }
    return false;
}

int AnalysisPool::secondsLeft() const
{
    if (analysedSongs == 0)
        return -1;
    const int left = songCount - releasedCount();
    return int(clock.elapsed() / 1000.0 / analysedSongs * left + 0.5);
}
