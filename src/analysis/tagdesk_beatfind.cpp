#include "app/tagdesk.h"
#include "analysis/analysertempo.h"
#include "analysis/childoutput.h"
#include "analysis/songlocation.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdio>
#include <iostream>

namespace {

constexpr int songMessageMs = 4000;
constexpr int completedMessageMs = 8000;
// How long a stopped child gets to clean up after itself, and then to die.
constexpr int stopGraceMs = 3000;

// Selection is by whole rows; the persistent-ID cell stands for its song.
QStringList selectedSongIDs(const QList<QTableWidgetItem *> &selected)
{
    QStringList ids;
    for (const QTableWidgetItem *item : selected) {
        if (item->tableWidget() && item->column() == ColumnPersistentID)
            ids << item->text();
    }
    return ids;
}

void echoOutput(const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces)
        std::cout << "Saw: " << piece.constData() << std::endl;
}

} // namespace

void Tagdesk::BeatFind()
{
    std::fputs("BeatFind\n", stdout);
    std::fflush(stdout);
    if (run.analysisRunning)
        return;
    if (!haveWarned) {
        const auto answer = QMessageBox::question(
            nullptr, tr("BeatFind Warning"),
            tr("BeatFind imports your music (the iTunes library file, or else your music folders) when the selected "
               "songs' files are not known yet, then converts each selected song to a temporary WAV file and "
               "computes its tempo. No iTunes is opened. Each temporary file is deleted when its song is done, and "
               "Cancel stops after the current song, leaving no files behind. Do you want to proceed?"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        haveWarned = true;
    }
    modified = true;
    actionBeatFind->setEnabled(false);
    actionDelete->setEnabled(false);
    run.reset();
    run.analysisRunning = true;
    run.runIDs = selectedSongIDs(tableWidget->selectedItems());
    convertLabel->setText(QStringLiteral("Checking iTunes sync status"));
    convertLabel->show();
    convertCancelButton->show();
    if (itunesLoaded || runFilesPresent()) {
        doBeatFind();
        return;
    }
    connect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doBeatFind, Qt::UniqueConnection);
    if (importMusicSource() != 0) {
        disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doBeatFind);
        run.analysisRunning = false;
        showRunIdle();
    }
}

void Tagdesk::doBeatFind()
{
    disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doBeatFind);
    // A step scheduled before the run was stopped finds nothing to do.
    if (!run.analysisRunning)
        return;
    if (run.cancelRequested) {
        endRun();
        return;
    }
    for (; run.runIndex < run.runIDs.size(); ++run.runIndex) {
        run.runID = run.runIDs.at(run.runIndex);
        DBelement *record = runRecord();
        if (!record)
            continue;
        run.songTitle = record->text("title");
        if (record->isProtected) {
            showSongMessage(QStringLiteral("beatfind skipping protected file: "));
            continue;
        }
        convertLabel->setText(QStringLiteral("Processing: ") + run.songTitle);
        run.songPath = localSongPath(record->text("location"));
        std::cout << "Processing: " << run.songPath.toLocal8Bit().constData() << std::endl;
        if (run.songPath.isEmpty())
            continue;
        if (!QFile::exists(run.songPath) && askForItunesRoot(run.songPath))
            run.songPath = localSongPath(record->text("location"));
        if (QFile::exists(run.songPath)) {
            startConversion();
            return;
        }
        showSongMessage(QStringLiteral("beatfind could not find: "));
    }
    endRun();
}

void Tagdesk::startConversion()
{
    run.scriptPhase = true;
    run.wavPath.clear();
    std::cout << "AppleScript: " << QCoreApplication::applicationDirPath().toLocal8Bit().constData() << std::endl;
    startConverter(process, converterPath, run.songPath);
}

void Tagdesk::handleProcessFinished(int, QProcess::ExitStatus exitStatus)
{
    if (!run.analysisRunning)
        return;
    const OutputPieces output = readOutputPieces(process);
    const ConversionReport report = run.scriptPhase ? conversionReport(output.pieces) : ConversionReport();
    // A crashed converter may still have named the WAV file it left behind.
    if (run.scriptPhase)
        run.wavPath = report.wavPath;
    if (exitStatus == QProcess::CrashExit) {
        passOverSong();
        return;
    }
    echoOutput(output.pieces);
    if (output.emptyRead)
        passOverSong();
    else if (run.scriptPhase)
        finishConversion(report);
    else
        finishAnalysis(output.pieces);
}

// A child that could not be started ends like one that crashed, though no
// finished signal comes for it.
void Tagdesk::handleProcessError(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart && run.analysisRunning)
        passOverSong();
}

void Tagdesk::finishConversion(const ConversionReport &report)
{
    if (!isAcceptedFormat(report)) {
        showSongMessage(QStringLiteral("beatfind unsupported format: "));
        passOverSong();
        return;
    }
    qDebug() << "Song: " << run.songPath << "Wav: " << run.wavPath << "Bit: " << report.bitRate << "Samp: "
             << report.sampleRate << "\n";
    if (!QFile::exists(run.wavPath)) {
        passOverSong();
        return;
    }
    run.scriptPhase = false;
    if (!run.cancelRequested)
        convertLabel->setText(QStringLiteral("Calculating: ") + run.songTitle);
    process.start(analyserPath, {run.wavPath});
}

void Tagdesk::finishAnalysis(const QList<QByteArray> &output)
{
    DBelement *record = runRecord();
    if (!applyAnalyserResult(record, output, preferredBpmRange()))
        showSongMessage(QStringLiteral("beatfind can't solve: "));
    else if (record)
        writeBpmAfterBeatFind(*record);
    passOverSong();
}

void Tagdesk::passOverSong()
{
    removeWav();
    ++run.runIndex;
    QTimer::singleShot(0, this, &Tagdesk::doBeatFind);
}

void Tagdesk::handleUserWantCancel()
{
    run.cancelRequested = true;
    convertLabel->setText(QStringLiteral("Cancel Pressed: Will stop after current song"));
}

void Tagdesk::endRun()
{
    run.analysisRunning = false;
    showRunIdle();
    statusbar->showMessage(QStringLiteral("beatfind has completed"), completedMessageMs);
}

void Tagdesk::stopAnalysisRun()
{
    if (!run.analysisRunning)
        return;
    run.analysisRunning = false;
    disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doBeatFind);
    if (process.state() != QProcess::NotRunning) {
        // The run is over: the child's end must not start another step.
        const QSignalBlocker quiet(process);
        // pcmdump deletes a half-written file when asked to stop.
        process.terminate();
        if (!process.waitForFinished(stopGraceMs)) {
            process.kill();
            process.waitForFinished(stopGraceMs);
        }
        if (run.scriptPhase)
            run.wavPath = conversionReport(readOutputPieces(process).pieces).wavPath;
    }
    removeWav();
    showRunIdle();
}

void Tagdesk::showRunIdle()
{
    convertLabel->hide();
    convertCancelButton->hide();
    actionBeatFind->setEnabled(true);
    actionDelete->setEnabled(true);
}

void Tagdesk::removeWav()
{
    // Whatever a converter claims, the song's own file is never deleted.
    if (!run.wavPath.isEmpty() && QFileInfo(run.wavPath) != QFileInfo(run.songPath))
        QFile::remove(run.wavPath);
    run.wavPath.clear();
}

void Tagdesk::showSongMessage(const QString &text)
{
    statusbar->showMessage(text + run.songTitle, songMessageMs);
}

bool Tagdesk::runFilesPresent()
{
    for (const QString &id : std::as_const(run.runIDs)) {
        const auto found = tableMap.find(libraryKey(id));
        if (found == tableMap.end())
            return false;
        const QString path = localSongPath(found->second.text("location"));
        if (path.isEmpty() || !QFile::exists(path))
            return false;
    }
    return !run.runIDs.isEmpty();
}

DBelement *Tagdesk::runRecord()
{
    const auto found = tableMap.find(libraryKey(run.runID));
    return found == tableMap.end() ? nullptr : &found->second;
}
