#include "table/columns.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "library/dbelement.h"
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

DBelement &song(const QString &id, const QString &title, const QString &bpm = QString())
{
    DBelement &record = tableMap[libraryKey(id)];
    record.setPersistentID(id);
    record.setTitle(title);
    if (!bpm.isNull())
        record.setBPM(bpm);
    return record;
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
        QCOMPARE(actionTexts(window->menubar->actions()), QStringList({"File", "Sync", "Edit"}));
        QCOMPARE(actionTexts(window->menuFile->actions()), QStringList({"Open File", "Save File", "New File", "Quit"}));
        QCOMPARE(actionTexts(window->menuSync->actions()),
                 QStringList({"From iTunes", "From Music Folder...", "Where iTunes Songs Are..."}));
        QCOMPARE(actionTexts(window->menuEdit->actions()),
                 QStringList({"Delete", "Merge", "BeatFind", "Double BPM", "Halve BPM", "Use Alternative BPM",
                              "BPM Range...", "Write BPM to Files", "Write BPM to Files after BeatFind"}));
        for (QMenu *menu : {window->menuFile, window->menuSync, window->menuEdit})
            QVERIFY(!menu->actions().contains(window->actionEdit));
        QCOMPARE(window->actionQuit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(window->actionOpen_File->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(window->actionSave_File->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window->actionDelete->shortcut(), QKeySequence(QStringLiteral("Del")));
        QCOMPARE(window->actionDouble_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Up")));
        QCOMPARE(window->actionHalve_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Down")));
        QCOMPARE(window->actionUse_Alternative_BPM->shortcut(), QKeySequence(QStringLiteral("Ctrl+Right")));
        QCOMPARE(window->actionMerge->whatsThis(), QStringLiteral("merge potential dups"));
        QCOMPARE(window->windowTitle(), QStringLiteral("BPM-Velmora"));
    }

    void freshTableHasTenColumnsSortedByTitle()
    {
        QTableWidget *table = window->tableWidget;
        QCOMPARE(::tableWidget, table);
        QStringList headers;
        for (int column = 0; column < table->columnCount(); ++column)
            headers << table->horizontalHeaderItem(column)->text();
        QCOMPARE(headers,
                 QStringList({"Title", "BPM", "Artist", "Album Title", "Genre", "Album Artist", "Composer", "iTunes",
                              "iPhone", "PersistentID"}));
        QCOMPARE(table->rowCount(), 0);
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

    void rowHoldsTheRecordsOwnItems()
    {
        DBelement &record = song(QStringLiteral("5"), QStringLiteral("Song"), QStringLiteral("120"));
        record.setupRow(window->tableWidget, -1);
        QCOMPARE(window->tableWidget->rowCount(), 1);
        for (int column = 0; column < ColumnCount; ++column)
            QCOMPARE(window->tableWidget->item(0, column), &record.field(columns[column].field));
        QVERIFY(record.isShown());
        // A change to the record shows at once.
        record.setTitle(QStringLiteral("Renamed"));
        QCOMPARE(window->tableWidget->item(0, ColumnTitle)->text(), QStringLiteral("Renamed"));
        QVERIFY(!(record.field("title").flags() & Qt::ItemIsEditable));
        QVERIFY(!(record.field("persistentID").flags() & Qt::ItemIsEditable));
        QVERIFY(record.field("bpm").flags() & Qt::ItemIsEditable);
        QVERIFY(record.field("title").flags() & Qt::ItemIsSelectable);
    }

    void emptyRecordGetsEmptyCellsAndBpmZero()
    {
        DBelement &record = tableMap[libraryKey(QStringLiteral("x"))];
        record.setupRow(window->tableWidget, -1);
        QCOMPARE(window->tableWidget->item(0, ColumnBpm)->data(Qt::DisplayRole), QVariant(0));
        QVERIFY(window->tableWidget->item(0, ColumnTitle)->text().isEmpty());
        QVERIFY(window->tableWidget->item(0, ColumnIphone)->text().isEmpty());
    }

    void shownRecordKeepsItsRow()
    {
        DBelement &record = song(QStringLiteral("1"), QStringLiteral("A"));
        record.setupRow(window->tableWidget, -1);
        window->tableWidget->setSortingEnabled(false);
        record.setupRow(window->tableWidget, 0);
        QCOMPARE(window->tableWidget->rowCount(), 1);
        QVERIFY(!window->tableWidget->isSortingEnabled());
    }

    void newRowMovesToItsSortedPlace()
    {
        song(QStringLiteral("1"), QStringLiteral("Beta")).setupRow(window->tableWidget, -1);
        song(QStringLiteral("2"), QStringLiteral("Gamma")).setupRow(window->tableWidget, -1);
        song(QStringLiteral("3"), QStringLiteral("Alpha")).setupRow(window->tableWidget, -1);
        QCOMPARE(window->tableWidget->item(0, ColumnTitle)->text(), QStringLiteral("Alpha"));
        QCOMPARE(window->tableWidget->item(2, ColumnTitle)->text(), QStringLiteral("Gamma"));
        QVERIFY(window->tableWidget->isSortingEnabled());
    }

    void erasedRecordLeavesAnEmptyRow()
    {
        song(QStringLiteral("1"), QStringLiteral("Gone")).setupRow(window->tableWidget, -1);
        tableMap.erase(libraryKey(QStringLiteral("1")));
        QCOMPARE(window->tableWidget->rowCount(), 1);
        for (int column = 0; column < ColumnCount; ++column)
            QVERIFY(!window->tableWidget->item(0, column));
    }
};

VELMORA_TEST_MAIN(TestWindow)
#include "tst_window.moc"
