#include "app/tagdesk.h"
#include "app/paintbreaks.h"
#include "app/tablecells.h"
#include "folders/folderscanjob.h"
#include "folders/foldersongimport.h"
#include "folders/musicsource.h"
#include "library/dbelement.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <iostream>

namespace {

// As the iTunes import: a step applies songs while this budget lasts, then
// the window repaints and takes input.
constexpr qint64 stepBudgetMs = 15;
constexpr int songsPerBatch = 20;
constexpr int summaryMessageMs = 8000;

} // namespace

void Tagdesk::fromMusicFolder()
{
    const QStringList folders = rememberedMusicFolders();
    const QString start = folders.isEmpty() ? QDir::homePath() : folders.last();
    const QString folder = QFileDialog::getExistingDirectory(this, tr("From Music Folder"), start);
    if (folder.isEmpty())
        return;
    rememberMusicFolder(folder);
    importMusicPaths({folder}, false);
}

int Tagdesk::importMusicSource()
{
    switch (currentMusicSource()) {
    case MusicSource::Itunes:
        return loadItunes();
    case MusicSource::Folders:
        // An import of the whole source under way serves as well.
        if (folderScan && !folderScanWholeSource) {
            statusbar->showMessage(tr("Wait for the music folder import to end, then try again."), summaryMessageMs);
            return -1;
        }
        importMusicPaths(rememberedMusicFolders(), true);
        return 0;
    case MusicSource::None:
        break;
    }
    QMessageBox::information(nullptr, noMusicSourceTitle(), noMusicSourceText());
    return -1;
}

void Tagdesk::importMusicPaths(const QStringList &paths, bool wholeSource)
{
    if (folderScan)
        return;
    // A library file being read would empty the library under the import.
    if (loadingFile) {
        pendingMusicPaths << paths;
        pendingWholeSource = pendingWholeSource || wholeSource;
        return;
    }
    modified = true;
    folderScanWholeSource = wholeSource;
    const bool inMusicSource = currentMusicSource() == MusicSource::Folders;
    tableWidget->setSortingEnabled(false);
    statusbar->showMessage(tr("Importing music folders"), 0);
    PaintBreaks breaks;
    // After a sort every change to a shown cell would search the whole table.
    refreshCellPositions(tableWidget, &breaks);
    if (wholeSource && inMusicSource) {
        for (auto &entry : tableMap) {
            entry.second.setItunes(QStringLiteral("0"));
            breaks.take();
        }
    }
    folderScan = std::make_unique<FolderScanJob>(paths);
    if (!folderCancelButton) {
        folderCancelButton = new QPushButton(tr("Cancel"), statusbar);
        connect(folderCancelButton, &QPushButton::clicked, this, &Tagdesk::cancelFolderImport);
        statusbar->addPermanentWidget(folderCancelButton);
    }
    folderCancelButton->show();
    QTimer::singleShot(0, this, &Tagdesk::processFolderScan);
}

void Tagdesk::processFolderScan()
{
    if (!folderScan)
        return;
    const bool inMusicSource = currentMusicSource() == MusicSource::Folders;
    QElapsedTimer turn;
    turn.start();
    do {
        if (folderSongs.empty() && folderScan->takeSongs(folderSongs, songsPerBatch) == 0)
            break;
        for (int batch = 0; batch < songsPerBatch && !folderSongs.empty(); ++batch) {
            importFolderSong(folderSongs.front(), tableWidget, inMusicSource);
            folderSongs.pop_front();
        }
    } while (turn.elapsed() < stepBudgetMs);
    if (folderSongs.empty() && folderScan->done()) {
        finishFolderImport(false);
        return;
    }
    statusbar->showMessage(tr("Importing music folders: %1 files so far").arg(folderScan->filesSeen()), 0);
    // Waiting for the walk costs nothing: the next look comes a moment later
    // rather than at once.
    QTimer::singleShot(folderSongs.empty() ? 5 : 0, this, &Tagdesk::processFolderScan);
}

void Tagdesk::cancelFolderImport()
{
    if (!folderScan)
        return;
    finishFolderImport(true);
}

void Tagdesk::startPendingMusicImport()
{
    if (pendingMusicPaths.isEmpty())
        return;
    const QStringList paths = pendingMusicPaths;
    const bool wholeSource = pendingWholeSource;
    pendingMusicPaths.clear();
    pendingWholeSource = false;
    importMusicPaths(paths, wholeSource);
}

void Tagdesk::finishFolderImport(bool cancelled)
{
    folderScan->cancel();
    // The worker ends within one file of being cancelled.
    const std::unique_ptr<FolderScanJob> job = std::move(folderScan);
    folderSongs.clear();
    const ScanCounts counts = cancelled ? ScanCounts() : job->counts();
    if (folderCancelButton)
        folderCancelButton->hide();
    tableWidget->setSortingEnabled(true);
    if (cancelled) {
        statusbar->showMessage(tr("Music folder import cancelled"), summaryMessageMs);
    } else {
        const qint64 passedOver = counts.unreadableFiles + counts.unreadableFolders + counts.loops + counts.unkeepableNames;
        statusbar->showMessage(tr("Music folders imported: %1 songs, %2 passed over").arg(counts.songs).arg(passedOver),
                               summaryMessageMs);
        std::cout << "Folder import: " << counts.songs << " songs in " << counts.files << " files; passed over "
                  << counts.unreadableFiles << " unreadable files, " << counts.unreadableFolders
                  << " unreadable folders, " << counts.loops << " links that loop, " << counts.unkeepableNames
                  << " names that cannot be kept" << std::endl;
    }
    showMusicSourceColumn();
    const bool wholeSource = folderScanWholeSource;
    folderScanWholeSource = false;
    if (wholeSource && !cancelled)
        itunesLoaded = true;
    emit folderImportDone();
    // Whoever waits for the music source goes on, with what there is.
    if (wholeSource)
        emit loadItunesDone();
}

void Tagdesk::showMusicSourceColumn()
{
    const bool folders = currentMusicSource() == MusicSource::Folders;
    if (QTableWidgetItem *header = tableWidget->horizontalHeaderItem(7))
        header->setText(folders ? tr("In Folders") : QStringLiteral("iTunes"));
}
