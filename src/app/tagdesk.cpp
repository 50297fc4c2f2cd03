#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/dbelement.h"
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

    ::tableWidget = tableWidget;
    tableWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
    setUpColumns(tableWidget);
    tableWidget->sortItems(ColumnTitle, Qt::AscendingOrder);

    connect(tableWidget, &QTableWidget::itemChanged, this, &Tagdesk::bpmRangeCheck);
    connect(tableWidget, &QTableWidget::itemDoubleClicked, this, &Tagdesk::saveOn);

    connect(actionOpen_File, &QAction::triggered, this, &Tagdesk::openFile);
    connect(actionSave_File, &QAction::triggered, this, &Tagdesk::saveFile);
    connect(actionNew_File, &QAction::triggered, this, &Tagdesk::newFile);
    connect(actionFrom_iTunes, &QAction::triggered, this, &Tagdesk::from_iTunesSync);
    connect(actionDelete, &QAction::triggered, this, &Tagdesk::deleteEdit);
    connect(actionMerge, &QAction::triggered, this, &Tagdesk::mergeEdit);
    connect(actionBeatFind, &QAction::triggered, this, &Tagdesk::BeatFind);
    setUpLevelCommands();
    setUpTagWriting();
    connect(actionFrom_Music_Folder, &QAction::triggered, this, &Tagdesk::fromMusicFolder);
    connect(actionItunes_Music_Folder, &QAction::triggered, this, &Tagdesk::whereItunesSongsAre);

    // Folders and files given while a library file was being read wait for its end.
    connect(this, &Tagdesk::loadFileDone, this, &Tagdesk::startPendingMusicImport);
    setAcceptDrops(true);
    showMusicSourceColumn();
}

// A child of the BPM analysis run must not outlive the window, nor its WAV
// file. The records own the table's cells: they must go before the table does.
Tagdesk::~Tagdesk()
{
    stopAnalysisRun();
    if (::tableWidget == tableWidget) {
        clearLibrary(tableWidget);
        ::tableWidget = nullptr;
    }
}

void Tagdesk::quit()
{
    std::fputs("quit pressed\n", stdout);
    QCoreApplication::quit();
}
