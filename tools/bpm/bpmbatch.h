#pragma once

#include "audiofiles.h"
#include "bpmoptions.h"

#include "analysis/analysispool.h"

#include <QList>
#include <QObject>

// The files of one velmora-bpm run through the shared analysis pool: results
// on standard output in the order given, every failure with its reason on
// standard error, and a progress bar there when it is a terminal.
class BpmBatch : public QObject
{
    Q_OBJECT

public:
    explicit BpmBatch(const BpmOptions &options, QObject *parent = nullptr);

    // Starts the run; finished() comes when every file has had its turn.
    void start();
    // Stops at once (an interrupt): the children end and their WAV files go.
    void abort();
    bool anyFailed() const { return failures > 0; }

signals:
    void finished();

private:
    void release(int position, const SongJobResult &result);
    void fail(const QString &path, const QString &reason);
    void showProgress();
    void clearProgress();

    BpmOptions options;
    QList<BatchEntry> entries;
    AnalysisPool pool;
    int failures = 0;
    bool progressOnTerminal = false;
    bool progressShown = false;
};
