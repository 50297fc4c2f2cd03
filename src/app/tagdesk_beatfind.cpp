#include "app/tagdesk.h"
#include "analysis/analysertempo.h"
#include "analysis/analysisjobs.h"
#include "analysis/childoutput.h"
#include "analysis/runprogress.h"
#include "library/songlocation.h"
#include "library/songstore.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <iostream>

namespace {

constexpr int songMessageMs = 4000;
constexpr int completedMessageMs = 8000;

void echoOutput(const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces)
        std::cout << "Saw: " << piece.constData() << std::endl;
}

const DBelement *recordOf(const QString &id) { return SongStore::library().findByID(id); }

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
    for (const std::string &key : selectedSongKeys())
        run.runIDs << QString::fromStdString(key);
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
    if (!run.analysisRunning || pool.isRunning())
        return;
    if (run.cancelRequested) {
        endRun();
        return;
    }
    // A copied iTunes library names its songs under another computer's
    // folder: ask once, before any song starts, where that folder is here.
    for (const QString &id : std::as_const(run.runIDs)) {
        const DBelement *record = recordOf(id);
        if (!record || record->bpmLocked())
            continue;
        const QString path = localSongPath(record->text(SongField::Location));
        if (!path.isEmpty() && !QFile::exists(path) && askForItunesRoot(path))
            break;
    }
    convertProgressBar->setRange(0, qMax(1, int(run.runIDs.size())));
    convertProgressBar->setValue(0);
    convertProgressBar->show();
    SongStore::library().beginStep(actionBeatFind->text());
    run.inHistoryStep = true;
    pool.converterPath = converterPath;
    pool.analyserPath = analyserPath;
    pool.start(int(run.runIDs.size()), analysisJobCount(), [this](int position) { return chooseSong(position); });
}

// The pool asks for each song just before it starts one, so a record that
// has gone by then is passed over; what the user sees of the song waits in
// run.songs for its turn.
QString Tagdesk::chooseSong(int position)
{
    const DBelement *record = recordOf(run.runIDs.at(position));
    if (!record)
        return QString();
    AnalysisRun::Song &song = run.songs[position];
    song.title = record->text(SongField::Title);
    // A locked BPM is kept whatever the analyser would say: no need to ask it.
    if (record->bpmLocked()) {
        ++run.lockedKept;
        return QString();
    }
    if (record->isProtected) {
        song.message = QStringLiteral("beatfind skipping protected file: ");
        return QString();
    }
    song.processing = true;
    song.songPath = localSongPath(record->text(SongField::Location));
    if (song.songPath.isEmpty())
        return QString();
    if (!QFile::exists(song.songPath)) {
        song.message = QStringLiteral("beatfind could not find: ");
        return QString();
    }
    return song.songPath;
}

// Each song's output lines, message and BPM come here in selection order,
// whichever song finished first.
void Tagdesk::releaseSong(int position, const SongJobResult &result)
{
    const AnalysisRun::Song song = run.songs.take(position);
    convertProgressBar->setValue(position + 1);
    if (song.processing)
        std::cout << "Processing: " << song.songPath.toLocal8Bit().constData() << std::endl;
    if (!song.message.isEmpty()) {
        showSongMessage(song.message, song.title);
        return;
    }
    switch (result.outcome) {
    case SongJobResult::NotStarted:
        return;
    case SongJobResult::NoRoom:
        std::cerr << "beatfind: " << song.songPath.toLocal8Bit().constData() << ": "
                  << result.reason.toLocal8Bit().constData() << std::endl;
        showSongMessage(QStringLiteral("beatfind short of temporary space: "), song.title);
        return;
    case SongJobResult::UnsupportedFormat:
    case SongJobResult::Failed:
    case SongJobResult::Analysed:
        break;
    }
    std::cout << "AppleScript: " << QCoreApplication::applicationDirPath().toLocal8Bit().constData() << std::endl;
    if (result.converterOutputShown)
        echoOutput(result.converterPieces);
    if (result.outcome == SongJobResult::UnsupportedFormat) {
        showSongMessage(QStringLiteral("beatfind unsupported format: "), song.title);
        return;
    }
    if (result.converterOutputShown && isAcceptedFormat(result.report))
        qDebug() << "Song: " << song.songPath << "Wav: " << result.report.wavPath << "Bit: " << result.report.bitRate
                 << "Samp: " << result.report.sampleRate << "\n";
    if (result.analyserOutputShown)
        echoOutput(result.analyserPieces);
    if (result.outcome != SongJobResult::Analysed)
        return;
    applySongResult(run.runIDs.at(position), song.title, result);
}

// The one place where a song's analysis reaches its record.
void Tagdesk::applySongResult(const QString &id, const QString &title, const SongJobResult &result)
{
    const std::optional<BpmLevels> levels = analysedLevels(result.analyserPieces, preferredBpmRange());
    if (!levels) {
        showSongMessage(QStringLiteral("beatfind can't solve: "), title);
        return;
    }
    SongStore &store = SongStore::library();
    const std::string key = libraryKey(id);
    const DBelement *record = store.find(key);
    if (!record)
        return;
    // Locked while its analysis ran.
    if (record->bpmLocked()) {
        ++run.lockedKept;
        return;
    }
    store.change(key, [&levels](DBelement &song) { song.setLevels(*levels); });
    writeBpmAfterBeatFind(*record);
}

void Tagdesk::showRunProgress()
{
    if (!run.analysisRunning || run.cancelRequested)
        return;
    const int oldest = pool.oldestInHand();
    if (oldest < 0)
        return;
    const QString phase = pool.isAnalysing(oldest) ? QStringLiteral("Calculating: ") : QStringLiteral("Processing: ");
    convertLabel->setText(phase + run.songs.value(oldest).title + QStringLiteral(" (")
                          + progressText(oldest + 1, int(run.runIDs.size()), pool.secondsLeft()) + QLatin1Char(')'));
}

// Cancel lets the songs in hand finish, as a one-song run always did: their
// work is most of the way done, their BPMs are kept, and each child removes
// nothing by surprise. No further song starts.
void Tagdesk::handleUserWantCancel()
{
    run.cancelRequested = true;
    convertLabel->setText(QStringLiteral("Cancel Pressed: Will stop after current song"));
    pool.stopStarting();
}

void Tagdesk::endRun()
{
    if (!run.analysisRunning)
        return;
    run.analysisRunning = false;
    endRunStep();
    showRunIdle();
    QString message = QStringLiteral("beatfind has completed");
    if (run.lockedKept)
        message += QStringLiteral("; ") + lockedKeptText(run.lockedKept);
    statusbar->showMessage(message, completedMessageMs);
}

void Tagdesk::stopAnalysisRun()
{
    if (!run.analysisRunning)
        return;
    run.analysisRunning = false;
    disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doBeatFind);
    pool.abort();
    endRunStep();
    showRunIdle();
}

void Tagdesk::endRunStep()
{
    if (!run.inHistoryStep)
        return;
    run.inHistoryStep = false;
    SongStore::library().endStep();
}

void Tagdesk::showRunIdle()
{
    convertLabel->hide();
    convertProgressBar->hide();
    convertCancelButton->hide();
    actionBeatFind->setEnabled(true);
    actionDelete->setEnabled(true);
}

void Tagdesk::showSongMessage(const QString &text, const QString &title)
{
    statusbar->showMessage(text + title, songMessageMs);
}

bool Tagdesk::runFilesPresent()
{
    for (const QString &id : std::as_const(run.runIDs)) {
        const DBelement *record = recordOf(id);
        if (!record)
            return false;
        // Its file is not needed.
        if (record->bpmLocked())
            continue;
        const QString path = localSongPath(record->text(SongField::Location));
        if (path.isEmpty() || !QFile::exists(path))
            return false;
    }
    return !run.runIDs.isEmpty();
}
