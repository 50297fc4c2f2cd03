#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/songhistory.h"
#include "library/songstore.h"
#include "table/columns.h"

#include <QCoreApplication>
#include <cstdio>

Tagdesk::Tagdesk(QWidget *parent) : QMainWindow(parent)
{
    setupUi(this);
    connect(actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(convertCancelButton, &QPushButton::pressed, this, &Tagdesk::handleUserWantCancel);
    connect(&pool, &AnalysisPool::released, this, &Tagdesk::releaseSong);
    connect(&pool, &AnalysisPool::progressed, this, &Tagdesk::showRunProgress);
    connect(&pool, &AnalysisPool::finished, this, &Tagdesk::endRun);
    convertProgressBar->hide();

    SongStore &store = SongStore::library();
    libraryModel = new LibraryModel(store, this);
    filterModel = new LibraryFilterModel(*libraryModel, store, this);
    tableWidget->setModel(filterModel);
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    setUpColumnWidths(tableWidget);
    tableWidget->sortByColumn(ColumnTitle, Qt::AscendingOrder);

    // Every BPM that reaches the table is checked, whoever set it.
    connect(&store, &SongStore::songsShown, this, &Tagdesk::bpmRangeCheck);
    connect(&store, &SongStore::songsChanged, this, &Tagdesk::bpmRangeCheck);
    connect(tableWidget, &QTableView::doubleClicked, this, &Tagdesk::saveOn);

    connect(actionOpen_File, &QAction::triggered, this, &Tagdesk::openFile);
    connect(actionSave_File, &QAction::triggered, this, &Tagdesk::saveFile);
    connect(actionNew_File, &QAction::triggered, this, &Tagdesk::newFile);
    connect(actionFrom_iTunes, &QAction::triggered, this, &Tagdesk::from_iTunesSync);
    connect(actionDelete, &QAction::triggered, this, &Tagdesk::deleteEdit);
    connect(actionMerge, &QAction::triggered, this, &Tagdesk::mergeEdit);
    connect(actionBeatFind, &QAction::triggered, this, &Tagdesk::BeatFind);
    setUpHistory();
    setUpLevelCommands();
    setUpLocking();
    setUpTagWriting();
    setUpFilterBar();
    setUpLists();
    connect(actionFrom_Music_Folder, &QAction::triggered, this, &Tagdesk::fromMusicFolder);
    connect(actionItunes_Music_Folder, &QAction::triggered, this, &Tagdesk::whereItunesSongsAre);
    connect(actionExport_Playlist, &QAction::triggered, this, &Tagdesk::exportPlaylist);

    // Folders and files given while a library file was being read wait for its end.
    connect(this, &Tagdesk::loadFileDone, this, &Tagdesk::startPendingMusicImport);
    setAcceptDrops(true);
    showMusicSourceColumn();
}

// A child of the BPM analysis run must not outlive the window, nor its WAV
// file. The library is the window's: it goes with it.
Tagdesk::~Tagdesk()
{
    // What ends with the window is no step to undo.
    if (SongStore::library().stepKeeper() == history)
        SongStore::library().setStepKeeper(nullptr);
    stopAnalysisRun();
    SongStore::library().abandonBulkChanges();
    SongStore::library().clear();
}

std::vector<std::string> Tagdesk::selectedSongKeys() const
{
    std::vector<std::string> keys;
    for (const QModelIndex &index : tableWidget->selectionModel()->selectedIndexes()) {
        if (index.column() != ColumnPersistentID)
            continue;
        if (const Song *song = filterModel->songAt(index.row()))
            keys.push_back(song->first);
    }
    return keys;
}

// The model's rows are the view's, in its order: a filter put between them
// would be walked here instead.
std::vector<std::string> Tagdesk::shownSongKeys() const
{
    std::vector<std::string> keys;
    const int rows = filterModel->rowCount();
    keys.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        if (const Song *song = filterModel->songAt(row))
            keys.push_back(song->first);
    }
    return keys;
}

void Tagdesk::quit()
{
    std::fputs("quit pressed\n", stdout);
    QCoreApplication::quit();
}
