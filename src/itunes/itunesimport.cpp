#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "itunes/ituneslibraryreader.h"
#include "itunes/itunestrackimport.h"
#include "app/paintbreaks.h"
#include "app/tablecells.h"
#include "library/dbelement.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <iostream>

namespace {

// A step applies tracks while this budget lasts, then returns to the event
// loop, so the table repaints a few dozen times a second rather than once
// per track.
constexpr qint64 stepBudgetMs = 15;
constexpr int tracksPerBatch = 20;

} // namespace

int Tagdesk::loadItunes()
{
    if (loadingItunes)
        return 0;
    modified = true;
    loadingItunes = true;
    tableWidget->setSortingEnabled(false);
    statusbar->showMessage(QStringLiteral("loading iTunes library"), 0);
    itunesTracks.clear();

    QFile file(itunesLibraryFileName());
    if (!file.open(QIODevice::ReadOnly)) {
        // A user with no music source at all learns how to add music.
        if (!file.exists() && currentMusicSource() == MusicSource::None)
            QMessageBox::information(nullptr, noMusicSourceTitle(), noMusicSourceText());
        else
            QMessageBox::critical(nullptr, tr("iTunes Music Library file missing"),
                                  tr("File \"%1\" not found.").arg(file.fileName()), QMessageBox::Ok);
        abandonItunesImport();
        return -1;
    }
    PaintBreaks breaks;
    ItunesLibraryReader reader(&file);
    while (reader.readFor(PaintBreaks::sliceMs))
        breaks.take();
    file.close();
    if (reader.failed()) {
        const ItunesLibraryReader::ParseError error = reader.error();
        std::cout << "DOMHandler problem: " << error.message.toLocal8Bit().constData() << " Line,Col:" << error.line
                  << "," << error.column << "\n";
        std::cout.flush();
        abandonItunesImport();
        return -1;
    }

    // After a sort every change to a shown cell would search the whole table.
    refreshCellPositions(tableWidget, &breaks);
    for (auto &entry : tableMap) {
        entry.second.setItunes(QStringLiteral("0"));
        breaks.take();
    }
    itunesTracks = reader.takeTracks();
    itunesTrackIndex = 0;
    itunesEmptiedRows = 0;
    if (reader.hasKeys())
        QTimer::singleShot(0, this, &Tagdesk::processItunes);
    else
        finishItunesImport();
    return 0;
}

void Tagdesk::processItunes()
{
    QElapsedTimer turn;
    turn.start();
    do {
        for (int batch = 0; batch < tracksPerBatch && itunesTrackIndex < itunesTracks.size(); ++batch) {
            if (importItunesTrack(itunesTracks.at(itunesTrackIndex++), tableWidget, std::cout))
                ++itunesEmptiedRows;
        }
    } while (itunesTrackIndex < itunesTracks.size() && turn.elapsed() < stepBudgetMs);
    std::cout.flush();
    if (itunesTrackIndex < itunesTracks.size())
        QTimer::singleShot(0, this, &Tagdesk::processItunes);
    else
        finishItunesImport();
}

void Tagdesk::finishItunesImport()
{
    itunesLoaded = true;
    itunesTracks.clear();
    statusbar->clearMessage();
    loadingItunes = false;
    tableWidget->setSortingEnabled(true);
    // The sort has gathered the emptied rows at the bottom.
    if (itunesEmptiedRows > 0)
        removeEmptiedRows(tableWidget);
    itunesEmptiedRows = 0;
    showMusicSourceColumn();
    emit loadItunesDone();
}

void Tagdesk::abandonItunesImport()
{
    loadingItunes = false;
    tableWidget->setSortingEnabled(true);
    statusbar->clearMessage();
}

void Tagdesk::from_iTunesSync()
{
    loadItunes();
}
