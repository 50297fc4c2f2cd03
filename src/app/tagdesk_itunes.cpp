#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "itunes/ituneslibraryreader.h"
#include "itunes/itunestrackimport.h"
#include "library/regularfile.h"
#include "library/songstore.h"
#include "table/paintbreaks.h"
#include "table/timedbatches.h"

#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <iostream>

namespace {

// A step applies tracks while this budget lasts, then returns to the event
// loop, so the table repaints a few dozen times a second.
constexpr qint64 stepBudgetMs = 15;
// A library of 100,000 tracks takes about 100 MB.
constexpr qint64 maxItunesFileBytes = qint64(2) << 30;

void reportRefusal(const QString &path, const QString &refusal)
{
    std::cout << "iTunes library file \"" << path.toLocal8Bit().constData()
              << "\" not read: " << refusal.toLocal8Bit().constData() << "\n";
    std::cout.flush();
}

} // namespace

int Tagdesk::loadItunes()
{
    if (itunesImport.loadingItunes)
        return 0;
    modified = true;
    itunesImport.reset();
    itunesImport.loadingItunes = true;
    SongStore::library().beginStep(tr("iTunes Import"));
    SongStore::library().beginBulkChange();
    statusbar->showMessage(QStringLiteral("loading iTunes library"), 0);

    const QString path = itunesLibraryFileName();
    QFile file;
    QString refusal;
    if (!openRegularFile(file, path, maxItunesFileBytes, &refusal)) {
        // A user with no music source at all learns how to add music.
        if (refusal.isEmpty() && !QFile::exists(path) && currentMusicSource() == MusicSource::None)
            QMessageBox::information(nullptr, noMusicSourceTitle(), noMusicSourceText());
        else if (refusal.isEmpty())
            QMessageBox::critical(nullptr, tr("iTunes Music Library file missing"),
                                  tr("File \"%1\" not found.").arg(path), QMessageBox::Ok);
        else
            reportRefusal(path, refusal);
        abandonItunesImport();
        return -1;
    }
    PaintBreaks breaks;
    ItunesLibraryReader reader(&file);
    while (reader.readFor(PaintBreaks::sliceMs))
        breaks.take();
    file.close();
    if (!reader.refusal().isEmpty()) {
        reportRefusal(path, reader.refusal());
        abandonItunesImport();
        return -1;
    }
    if (reader.failed()) {
        const ItunesLibraryReader::ParseError error = reader.error();
        std::cout << "DOMHandler problem: " << error.message.toLocal8Bit().constData() << " Line,Col:" << error.line
                  << "," << error.column << "\n";
        std::cout.flush();
        abandonItunesImport();
        return -1;
    }

    SongStore::library().changeEach([](DBelement &record) { record.setItunes(QStringLiteral("0")); },
                                    [&breaks] { breaks.take(); });
    itunesImport.itunesTracks = reader.takeTracks();
    if (reader.hasKeys())
        QTimer::singleShot(0, this, &Tagdesk::processItunes);
    else
        finishItunesImport();
    return 0;
}

void Tagdesk::processItunes()
{
    ItunesImport &import = itunesImport;
    bool more = false;
    {
        // The step's songs reach the table as one change.
        SongStore::Batch batch(SongStore::library());
        more = TimedBatches::run(
            stepBudgetMs, [&import] { return import.itunesTrackIndex < import.itunesTracks.size(); },
            [&import, this] {
                ItunesTrack &track = import.itunesTracks[import.itunesTrackIndex++];
                importItunesTrack(track, std::cout);
                // Each track is freed once applied: freeing a large library's
                // tracks all at once at the end would hold the window.
                track = ItunesTrack();
            });
    }
    std::cout.flush();
    // The end (the table's sort, the step for Undo) starts a turn of its own.
    QTimer::singleShot(0, this, more ? &Tagdesk::processItunes : &Tagdesk::finishItunesImport);
}

void Tagdesk::finishItunesImport()
{
    itunesLoaded = true;
    itunesImport.reset();
    statusbar->clearMessage();
    SongStore::library().endBulkChange();
    SongStore::library().endStep();
    showMusicSourceColumn();
    emit loadItunesDone();
}

void Tagdesk::abandonItunesImport()
{
    itunesImport.reset();
    SongStore::library().endBulkChange();
    SongStore::library().endStep();
    statusbar->clearMessage();
}

void Tagdesk::from_iTunesSync() { loadItunes(); }
