#pragma once

#include "analysis/childoutput.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>

// What became of one song handed to the converter and the analyser.
struct SongJobResult
{
    enum Outcome {
        // The analyser ran to its end; its output is in analyserPieces.
        Analysed,
        // The converter named no WAV file in the accepted format.
        UnsupportedFormat,
        // A child crashed or could not start, its output was cut short, or
        // the WAV file it named was not there: passed over without a message.
        Failed,
        // The temporary folder had no room for the WAV file; nothing ran.
        NoRoom,
        // Nothing to analyse at this position; nothing ran.
        NotStarted,
    };
    Outcome outcome = NotStarted;
    // Both children's output, in the pieces they were read in.
    QList<QByteArray> converterPieces;
    QList<QByteArray> analyserPieces;
    // Whether each child's output was read in full and may be shown.
    bool converterOutputShown = false;
    bool analyserOutputShown = false;
    ConversionReport report;
    // Why the song failed, in a few words, for a command line to show.
    QString reason;
};

// One song through the conversion step and the analyser, each a child
// process, with no window: finished() comes once, after the WAV file the
// converter named is gone again, on every path.
class SongJob : public QObject
{
    Q_OBJECT

public:
    SongJob(const QString &converterPath, const QString &analyserPath, const QString &songPath,
            QObject *parent = nullptr);
    ~SongJob() override;

    void start();
    bool isAnalysing() const { return analysing; }
    bool isDone() const { return done; }
    const SongJobResult &result() const { return outcome; }

    // Ends the job at once: asks its child to stop (pcmdump then removes a
    // half-written file), and once that child is gone removes the WAV file.
    // finished() does not come. reap() waits for the child, up to a grace
    // time, and kills it after that; calling terminate() on every job first
    // lets their children stop side by side.
    void terminate();
    void reap();

signals:
    void finished();
    void phaseChanged();

private:
    void childFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void childError(QProcess::ProcessError error);
    void finish(SongJobResult::Outcome result, const QString &reason);
    void removeWav();
    QString converterComplaint();

    QString converterPath;
    QString analyserPath;
    QString songPath;
    QString wavPath;
    QProcess process;
    SongJobResult outcome;
    bool analysing = false;
    bool done = false;
    bool stopped = false;
};
