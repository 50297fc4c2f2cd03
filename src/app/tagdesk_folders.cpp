#include "app/tagdesk.h"
#include "folders/foldersongimport.h"
#include "folders/musicsource.h"
#include "library/songstore.h"
#include "table/columns.h"
#include "table/paintbreaks.h"
#include "table/timedbatches.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <iostream>

namespace {

// As the iTunes import: a step applies songs while this budget lasts, then
// the window repaints and takes input.
constexpr qint64 stepBudgetMs = 15;
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
        if (folderImport.folderScan && !folderImport.wholeSource) {
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
    FolderImport &import = folderImport;
    if (import.folderScan)
        return;
    // A library file being read would empty the library under the import.
    if (fileRead.loadingFile) {
        import.pendingMusicPaths << paths;
        import.pendingWholeSource = import.pendingWholeSource || wholeSource;
        return;
    }
    modified = true;
    import.wholeSource = wholeSource;
    const bool inMusicSource = currentMusicSource() == MusicSource::Folders;
    SongStore &store = SongStore::library();
    store.beginStep(tr("Music Folder Import"));
    store.beginBulkChange();
    statusbar->showMessage(tr("Importing music folders"), 0);
    if (wholeSource && inMusicSource) {
        PaintBreaks breaks;
        store.changeEach([](DBelement &record) { record.setItunes(QStringLiteral("0")); },
                         [&breaks] { breaks.take(); });
    }
    import.folderScan = std::make_unique<FolderScanJob>(paths);
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
    FolderImport &import = folderImport;
    if (!import.folderScan)
        return;
    const bool inMusicSource = currentMusicSource() == MusicSource::Folders;
    bool more = false;
    {
        // The step's songs reach the table as one change.
        SongStore::Batch batch(SongStore::library());
        more = TimedBatches::run(
            stepBudgetMs,
            [&import] {
                return !import.folderSongs.empty()
                    || import.folderScan->takeSongs(import.folderSongs, TimedBatches::batchSize) > 0;
            },
            [&import, inMusicSource, this] {
                importFolderSong(import.folderSongs.front(), inMusicSource);
                import.folderSongs.pop_front();
            });
    }
    if (!more && import.folderScan->done()) {
        finishFolderImport(false);
        return;
    }
    statusbar->showMessage(tr("Importing music folders: %1 files so far").arg(import.folderScan->filesSeen()), 0);
    // While the walk has found nothing new, the next look comes a moment
    // later rather than at once.
    QTimer::singleShot(more ? 0 : 5, this, &Tagdesk::processFolderScan);
}

void Tagdesk::cancelFolderImport()
{
    if (!folderImport.folderScan)
        return;
    finishFolderImport(true);
}

void Tagdesk::startPendingMusicImport()
{
    FolderImport &import = folderImport;
    if (import.pendingMusicPaths.isEmpty())
        return;
    const QStringList paths = import.pendingMusicPaths;
    const bool wholeSource = import.pendingWholeSource;
    import.pendingMusicPaths.clear();
    import.pendingWholeSource = false;
    importMusicPaths(paths, wholeSource);
}

void Tagdesk::finishFolderImport(bool cancelled)
{
    FolderImport &import = folderImport;
    import.folderScan->cancel();
    // The worker ends within one file of being cancelled; the job waits for
    // it a moment at most.
    const std::unique_ptr<FolderScanJob> job = std::move(import.folderScan);
    import.folderSongs.clear();
    const ScanCounts counts = cancelled ? ScanCounts() : job->counts();
    if (folderCancelButton)
        folderCancelButton->hide();
    SongStore::library().endBulkChange();
    SongStore::library().endStep();
    if (cancelled) {
        statusbar->showMessage(tr("Music folder import cancelled"), summaryMessageMs);
    } else {
        const qint64 passedOver =
            counts.unreadableFiles + counts.unreadableFolders + counts.loops + counts.unkeepableNames;
        statusbar->showMessage(tr("Music folders imported: %1 songs, %2 passed over").arg(counts.songs).arg(passedOver),
                               summaryMessageMs);
        std::cout << "Folder import: " << counts.songs << " songs in " << counts.files << " files; passed over "
                  << counts.unreadableFiles << " unreadable files, " << counts.unreadableFolders
                  << " unreadable folders, " << counts.loops << " links that loop, " << counts.unkeepableNames
                  << " names that cannot be kept" << std::endl;
    }
    showMusicSourceColumn();
    const bool wholeSource = import.wholeSource;
    import.wholeSource = false;
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
    libraryModel->setHeaderData(ColumnItunes, Qt::Horizontal,
                                folders ? tr("In Folders") : QString::fromLatin1(columns[ColumnItunes].header));
}
