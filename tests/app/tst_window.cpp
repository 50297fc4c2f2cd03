#include "librarysongs.h"
#include "table/columns.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "dialoganswerer.h"
#include "testenvironment.h"

#include <QHeaderView>
#include <QMenuBar>

namespace {

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (QAction *action : actions)
        texts << action->text();
    return texts;
}

// A song with a row in the table.
void showSong(const QString &id, const QString &title, const QString &bpm = QString())
{
    editSong(id, [&](DBelement &record) {
        record.setPersistentID(id);
        record.setTitle(title);
        if (!bpm.isNull())
            record.setBPM(bpm);
    });
    SongStore::library().setupRow(libraryKey(id));
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;

private slots:
    void init() { window = std::make_unique<Tagdesk>(); }
    void cleanup() { window.reset(); }

    void menusHoldTheirCommands()
    {
        QCOMPARE(actionTexts(window->menubar->actions()), QStringList({"File", "Sync", "Edit", "Lists"}));
        QCOMPARE(actionTexts(window->menuFile->actions()),
                 QStringList({"Open File", "Save File", "New File", "Quit", "Export Playlist..."}));
        QCOMPARE(actionTexts(window->menuSync->actions()),
                 QStringList({"From iTunes", "From Music Folder...", "Where iTunes Songs Are..."}));
        QCOMPARE(actionTexts(window->menuEdit->actions()),
                 QStringList({"Delete", "Merge", "BeatFind", "Double BPM", "Halve BPM", "Use Alternative BPM",
                              "BPM Range...", "Write BPM to Files", "Write BPM to Files after BeatFind", "BPM x 3/2",
                              "BPM x 2/3", "Lock BPM", "Undo", "Redo"}));
        for (QMenu *menu : {window->menuFile, window->menuSync, window->menuEdit})
            QVERIFY(!menu->actions().contains(window->actionEdit));
        QCOMPARE(window->actionQuit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(window->actionOpen_File->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(window->actionSave_File->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window->actionUndo->shortcut(), QKeySequence::fromString(QStringLiteral("Ctrl+Z")));
        QCOMPARE(window->actionRedo->shortcut(), QKeySequence::fromString(QStringLiteral("Ctrl+Shift+Z")));
        QCOMPARE(window->actionDelete->shortcut(), QKeySequence(QStringLiteral("Del")));
        QCOMPARE(window->actionDouble_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Up")));
        QCOMPARE(window->actionHalve_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Down")));
        QCOMPARE(window->actionUse_Alternative_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Right")));
        QCOMPARE(window->actionLock_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
        QVERIFY(window->actionLock_BPM->isCheckable());
        QCOMPARE(window->actionMerge->whatsThis(), QStringLiteral("merge potential dups"));
        QCOMPARE(window->windowTitle(), QStringLiteral("BPM-Velmora"));
    }

    void freshTableHasTenColumnsSortedByTitle()
    {
        QTableView *table = window->tableWidget;
        QCOMPARE(table->objectName(), QStringLiteral("tableWidget"));
        // The view shows the library through the filter bar's model.
        QCOMPARE(table->model(), window->filterModel);
        QCOMPARE(window->filterModel->sourceModel(), window->libraryModel);
        QStringList headers;
        for (int column = 0; column < table->model()->columnCount(); ++column)
            headers << table->model()->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers,
                 QStringList({"Title", "BPM", "Artist", "Album Title", "Genre", "Album Artist", "Composer", "iTunes",
                              "iPhone", "PersistentID"}));
        QCOMPARE(table->model()->rowCount(), 0);
        QVERIFY(table->isSortingEnabled());
        QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), ColumnTitle);
        QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(table->horizontalHeader()->sectionSize(ColumnTitle), 200);
        QCOMPARE(table->horizontalHeader()->sectionSize(ColumnBpm), 60);
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(window->convertCancelButton->maximumWidth(), 100);
    }

    void quitClosesThroughTheCloseHandler()
    {
        window->show();
        window->modified = true;
        DialogAnswerer answerer;
        answerer.messageBox(QMessageBox::Cancel);
        window->actionQuit->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Do you want to Save before quiting?"));
        QVERIFY(window->isVisible());
    }

    void rowShowsTheRecord()
    {
        showSong(QStringLiteral("5"), QStringLiteral("Song"), QStringLiteral("120"));
        const LibraryModel *model = window->libraryModel;
        QCOMPARE(model->rowCount(), 1);
        for (int column = 0; column < ColumnCount; ++column)
            QCOMPARE(model->index(0, column).data(), librarySong(QStringLiteral("5")).value(columns[column].field));
        QVERIFY(librarySong(QStringLiteral("5")).isShown());
        // A change to the record shows at once.
        editSong(QStringLiteral("5"), [](DBelement &record) { record.setTitle(QStringLiteral("Renamed")); });
        QCOMPARE(cellText(model, 0, ColumnTitle), QStringLiteral("Renamed"));
        QVERIFY(!(model->flags(model->index(0, ColumnTitle)) & Qt::ItemIsEditable));
        QVERIFY(!(model->flags(model->index(0, ColumnPersistentID)) & Qt::ItemIsEditable));
        QVERIFY(model->flags(model->index(0, ColumnBpm)) & Qt::ItemIsEditable);
        QVERIFY(model->flags(model->index(0, ColumnTitle)) & Qt::ItemIsSelectable);
    }

    void emptyRecordGetsEmptyCellsAndBpmZero()
    {
        editSong(QStringLiteral("x"), [](DBelement &) {});
        SongStore::library().setupRow("x");
        QCOMPARE(window->libraryModel->index(0, ColumnBpm).data(Qt::DisplayRole), QVariant(0));
        QVERIFY(cellText(window->libraryModel, 0, ColumnTitle).isEmpty());
        QVERIFY(cellText(window->libraryModel, 0, ColumnIphone).isEmpty());
    }

    void shownRecordKeepsItsRow()
    {
        showSong(QStringLiteral("1"), QStringLiteral("A"));
        SongStore::library().setupRow("1");
        QCOMPARE(window->libraryModel->rowCount(), 1);
    }

    void newRowMovesToItsSortedPlace()
    {
        showSong(QStringLiteral("1"), QStringLiteral("Beta"));
        showSong(QStringLiteral("2"), QStringLiteral("Gamma"));
        showSong(QStringLiteral("3"), QStringLiteral("Alpha"));
        QTRY_COMPARE(cellText(window->libraryModel, 0, ColumnTitle), QStringLiteral("Alpha"));
        QCOMPARE(cellText(window->libraryModel, 2, ColumnTitle), QStringLiteral("Gamma"));
    }

    void removedRecordTakesItsRow()
    {
        showSong(QStringLiteral("1"), QStringLiteral("Gone"));
        showSong(QStringLiteral("2"), QStringLiteral("Stays"));
        SongStore::library().remove("1");
        QCOMPARE(window->libraryModel->rowCount(), 1);
        QCOMPARE(cellText(window->libraryModel, 0, ColumnTitle), QStringLiteral("Stays"));
    }
};

VELMORA_TEST_MAIN(TestWindow)
#include "tst_window.moc"
