#include "librarysongs.h"
#include "table/columns.h"
#include "app/tagdesk.h"
#include "dialoganswerer.h"
#include "outputcapture.h"
#include "testenvironment.h"

#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>

class TestEditCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;

    // The song's row.
    int addShownSong(const QString &id, const QString &title, const QString &bpm = QStringLiteral("120"))
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(title);
            record.setBPM(bpm);
        });
        SongStore::library().setupRow(libraryKey(id));
        return window->libraryModel->rowOf(libraryKey(id));
    }

private slots:
    void init()
    {
        window = std::make_unique<Tagdesk>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void bpmRangeCheck_data()
    {
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("warned");
        QTest::newRow("inside") << 120 << 120 << false;
        QTest::newRow("lower bound") << 50 << 50 << false;
        QTest::newRow("upper bound") << 200 << 200 << false;
        QTest::newRow("just below") << 49 << 0 << true;
        QTest::newRow("just above") << 201 << 0 << true;
        QTest::newRow("far above") << 250 << 0 << true;
        QTest::newRow("far below") << 30 << 0 << true;
        QTest::newRow("negative") << -5 << 0 << true;
        QTest::newRow("zero passes silently") << 0 << 0 << false;
    }
    void bpmRangeCheck()
    {
        QFETCH(int, entered);
        QFETCH(int, kept);
        QFETCH(bool, warned);
        const int row = addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        DialogAnswerer answerer;
        if (warned)
            answerer.messageBox(QMessageBox::Ok);
        // Through the table's own editor, as a user edits the cell.
        QTableView *table = window->tableWidget;
        table->edit(window->filterModel->mapFromSource(window->libraryModel->index(row, ColumnBpm)));
        auto *editor = table->viewport()->findChild<QSpinBox *>();
        QVERIFY(editor);
        editor->setRange(-1000, 1000);
        editor->setValue(entered);
        QPointer<QSpinBox> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits and closes its editor from the event loop.
        QTRY_VERIFY(open.isNull());
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(librarySong(QStringLiteral("1")).bpm(), kept);
        QCOMPARE(window->libraryModel->index(row, ColumnBpm).data().typeId(), QMetaType::Int);
        QCOMPARE(answerer.seen.size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(answerer.seen[0].title, QStringLiteral("Out of range"));
            QCOMPARE(answerer.seen[0].text, QStringLiteral("BPM must be between 50-200"));
        }
    }

    void textInBpmCellBecomesZero()
    {
        const QModelIndex cell =
            window->libraryModel->index(addShownSong(QStringLiteral("1"), QStringLiteral("Song")), ColumnBpm);
        QVERIFY(window->libraryModel->setData(cell, QStringLiteral("fast")));
        QCOMPARE(cell.data(Qt::DisplayRole), QVariant(0));
    }

    void onlyBpmCellIsEditable()
    {
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        QTableView *table = window->tableWidget;
        table->edit(table->model()->index(0, ColumnTitle));
        QVERIFY(!table->viewport()->findChild<QLineEdit *>());
        QVERIFY(!(table->model()->flags(table->model()->index(0, ColumnTitle)) & Qt::ItemIsEditable));
    }

    void doubleClickMarksModifiedOnlyOnBpm_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("marks");
        QTest::newRow("title") << 0 << false;
        QTest::newRow("bpm") << 1 << true;
        QTest::newRow("persistent id") << 9 << false;
    }
    void doubleClickMarksModifiedOnlyOnBpm()
    {
        QFETCH(int, column);
        QFETCH(bool, marks);
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        QTableView *table = window->tableWidget;
        const QModelIndex cell = table->model()->index(0, column);
        table->scrollTo(cell);
        const QPoint where = table->visualRect(cell).center();
        OutputCapture output;
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(window->modified, marks);
        QCOMPARE(output.out(), marks ? QStringLiteral("saveOn\n") : QString());
    }

    void deleteRemovesSelectedSongs_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("yes") << QMessageBox::Yes;
        QTest::newRow("cancel") << QMessageBox::Cancel;
    }
    void deleteRemovesSelectedSongs()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        for (int i = 0; i < 5; ++i)
            addShownSong(QString::number(10 + i), QStringLiteral("Song %1").arg(i));
        QTableView *table = window->tableWidget;
        table->setSelectionMode(QAbstractItemView::MultiSelection);
        table->selectRow(0);
        table->selectRow(2);
        table->selectRow(4);
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), 30);
        DialogAnswerer answerer;
        answerer.messageBox(answer);
        OutputCapture output;
        window->actionDelete->trigger();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Delete"));
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Are you sure you want to delete?"));
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(table->model()->rowCount(), 5);
            QCOMPARE(SongStore::library().size(), size_t(5));
            QVERIFY(!window->modified);
            QVERIFY(output.out().isEmpty());
            return;
        }
        QCOMPARE(output.out(), QStringLiteral("WantDel: 10 9\nWantDel: 12 9\nWantDel: 14 9\n"));
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(SongStore::library().size(), size_t(2));
        QCOMPARE(cellText(table->model(), 0, ColumnTitle), QStringLiteral("Song 1"));
        QCOMPARE(cellText(table->model(), 1, ColumnTitle), QStringLiteral("Song 3"));
        QVERIFY(window->modified);
    }

    void deleteWithNothingSelectedOnlyMarksModified()
    {
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        DialogAnswerer answerer;
        answerer.messageBox(QMessageBox::Yes);
        window->deleteEdit();
        QCOMPARE(window->libraryModel->rowCount(), 1);
        QVERIFY(window->modified);
    }
};

VELMORA_TEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
