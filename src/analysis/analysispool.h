#pragma once

#include "analysis/releasequeue.h"
#include "analysis/songjob.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// Runs the songs of a batch, up to a number of them at once, each through its
// own SongJob, and hands their results on in the order of the batch: a song
// that finishes early waits for those before it. Songs are asked for one at a
// time, just before they start, so the caller looks each one up as late as
// it can.
class AnalysisPool : public QObject
{
    Q_OBJECT

public:
    explicit AnalysisPool(QObject *parent = nullptr);
    ~AnalysisPool() override;

    // The audio file of the song at a position; empty when there is nothing
    // to analyse there, which is released as NotStarted.
    using SongSource = std::function<QString(int position)>;

    QString converterPath;
    QString analyserPath;

    void start(int count, int jobs, SongSource source);
    // No further song starts; the run ends once the songs in hand are done.
    void stopStarting();
    // Ends the run at once: every child stops and its WAV file goes.
    void abort();

    bool isRunning() const { return running; }
    int count() const { return songCount; }
    // The number of positions released so far.
    int releasedCount() const { return releases.nextPosition(); }
    // The earliest position not yet released whose song is in hand, -1 when
    // none is, and whether that song is being analysed.
    int oldestInHand() const;
    bool isAnalysing(int position) const;
    // Time since the start, for an estimate of the time left.
    qint64 elapsedMs() const { return clock.elapsed(); }
    // How many songs remain after those released, and a guess of the time
    // they take in seconds, -1 before the first song is through.
    int secondsLeft() const;

signals:
    // One position of the batch, in order; at most one at a time.
    void released(int position, const SongJobResult &result);
    void progressed();
    void finished();

private:
    struct InHand
    {
        int position;
        SongJob *job;
        qint64 reservedBytes;
    };

    void fill();
    void jobFinished(SongJob *job);
    void releaseReady();
    void endIfDone();

    SongSource source;
    QList<InHand> inHand;
    ReleaseQueue<SongJobResult> releases;
    QElapsedTimer clock;
    int songCount = 0;
    int jobLimit = 1;
    int nextPosition = 0;
    int analysedSongs = 0;
    bool running = false;
    bool starting = false;
    bool releasing = false;
    bool filling = false;
};
