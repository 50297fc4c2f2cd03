#include "librarysongs.h"
#include "app/bpmrangedialog.h"
#include "app/tagdesk.h"
#include "library/bpmrange.h"
#include "table/columns.h"
#include "testenvironment.h"

#include <QPointer>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

namespace {

// Songs as "tempo/alternative", a leading '*' for a selected one and a
// trailing 'L' for a locked one, in persistent-ID order "0", "1", ...
struct SongLevels
{
    double tempo;
    int alternative;
    bool selected;
    bool locked;
};

QList<SongLevels> songLevels(const QString &text)
{
    QList<SongLevels> songs;
    for (QString song : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool selected = song.startsWith(QLatin1Char('*'));
        if (selected)
            song.remove(0, 1);
        const bool locked = song.endsWith(QLatin1Char('L'));
        if (locked)
            song.chop(1);
        const QStringList values = song.split(QLatin1Char('/'));
        songs.append({values[0].toDouble(), values[1].toInt(), selected, locked});
    }
    return songs;
}

} // namespace

class TestLevelCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;

    void addSong(const QString &id, double tempo, int alternative, bool locked = false)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(QStringLiteral("Song ") + id);
            record.setLevels({tempo, alternative});
            record.setBpmLocked(locked);
        });
        SongStore::library().setupRow(libraryKey(id));
    }

    QModelIndex bpmCell(const QString &id) const
    {
        return window->libraryModel->index(window->libraryModel->rowOf(libraryKey(id)), ColumnBpm);
    }

    void select(const QString &id)
    {
        window->tableWidget->selectionModel()->select(window->filterModel->mapFromSource(bpmCell(id)),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // What the status bar showed, in order.
    QStringList messages;

private slots:
    void init()
    {
        QSettings().clear();
        messages.clear();
        window = std::make_unique<Tagdesk>();
        connect(window->statusbar, &QStatusBar::messageChanged, this, [this](const QString &message) {
            if (!message.isEmpty())
                messages << message;
        });
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup() { window.reset(); }

    // Each command through its shortcut on the table (or the menu, for one
    // without), over the selected songs only; a change that would leave
    // 50-200 is not made at all, nor one to a locked song. Tempos are exact:
    // the table shows the nearest whole BPM.
    void commandsOnTheSelectedSongs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");
        const QString twice = QStringLiteral("actionDouble_BPM");
        const QString half = QStringLiteral("actionHalve_BPM");
        const QString use = QStringLiteral("actionUse_Alternative_BPM");
        const QString up = QStringLiteral("actionBPM_x_3_2");
        const QString down = QStringLiteral("actionBPM_x_2_3");
        QTest::newRow("double, up to the upper end, not beyond")
            << twice << "*63/127 *100/0 *101/0 120/0"
            << "126/0 200/0 101/0 120/0"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("double the lower end") << twice << "*50/0"
                                              << "100/0"
                                              << "";
        QTest::newRow("double without a BPM") << twice << "*0/0 *0/0"
                                              << "0/0 0/0"
                                              << "2 of 2 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("double the exact tempo") << twice << "*87.5/175"
                                                << "175/0"
                                                << "";
        QTest::newRow("halve, down to the lower end, not beyond")
            << half << "*172/0 *101/0 *99/0 *0/0 80/0"
            << "86/0 50.5/0 99/0 0/0 80/0"
            << "2 of 4 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("halve the upper end, settling the level") << half << "*200/100"
                                                                 << "100/0"
                                                                 << "";
        QTest::newRow("use swaps, at the range ends too")
            << use << "*63/127 *120/0 *200/50 90/180"
            << "127/63 120/0 50/200 90/180"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("use beside no BPM") << use << "*0/90"
                                           << "90/0"
                                           << "";
        QTest::newRow("nothing selected") << use << "63/127 120/0"
                                          << "63/127 120/0"
                                          << "";
        QTest::newRow("x 3/2, up to the upper end, not beyond")
            << up << "*80/160 *81/0 *134/0 100/0"
            << "120/0 121.5/0 134/0 100/0"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("x 2/3, down to the lower end, not beyond")
            << down << "*120/0 *100/0 *75/0 *74/0"
            << "80/0 66.666666666666671/0 50/0 74/0"
            << "1 of 4 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("locked songs keep their BPM") << twice << "*63/127L *70/0 *80.5/0L 90/0L"
                                                     << "63/127 140/0 80.5/0 90/0"
                                                     << "2 locked songs kept their BPM";
        QTest::newRow("one locked song") << up << "*100/0L"
                                         << "100/0"
                                         << "1 locked song kept its BPM";
        QTest::newRow("locked and out of range")
            << down << "*120/0L *60/0 *90/0"
            << "120/0 60/0 60/0"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200; "
               "1 locked song kept its BPM";
        QTest::newRow("locked: no swap") << use << "*63/127L"
                                         << "63/127"
                                         << "1 locked song kept its BPM";
    }
    void commandsOnTheSelectedSongs()
    {
        QFETCH(QString, command);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, message);
        const QList<SongLevels> songs = songLevels(before);
        bool changes = false;
        for (int i = 0; i < songs.size(); ++i)
            addSong(QString::number(i), songs[i].tempo, songs[i].alternative, songs[i].locked);
        window->tableWidget->setSelectionMode(QAbstractItemView::MultiSelection);
        window->tableWidget->sortByColumn(ColumnBpm, Qt::AscendingOrder);
        for (int i = 0; i < songs.size(); ++i) {
            if (songs[i].selected)
                select(QString::number(i));
        }
        window->tableWidget->setFocus();
        auto *action = window->findChild<QAction *>(command);
        QVERIFY(action);
        if (action->shortcut().isEmpty())
            action->trigger();
        else
            QTest::keySequence(window->tableWidget, action->shortcut());
        // The table re-sorts in the next turn of the event loop.
        QCoreApplication::processEvents();

        const QList<SongLevels> expected = songLevels(after);
        for (int i = 0; i < expected.size(); ++i) {
            const DBelement &record = librarySong(QString::number(i));
            QCOMPARE(record.bpmExact(), expected[i].tempo);
            QCOMPARE(record.bpm(), wholeBpm(expected[i].tempo));
            QCOMPARE(bpmCell(QString::number(i)).data().toInt(), wholeBpm(expected[i].tempo));
            QCOMPARE(record.bpmAlternative(), expected[i].alternative);
            QCOMPARE(record.bpmLocked(), songs[i].locked);
            if (!songs[i].locked)
                QCOMPARE(bpmCell(QString::number(i)).data(Qt::ToolTipRole).toString(),
                         expected[i].alternative ? QStringLiteral("Maybe %1").arg(expected[i].alternative) : QString());
            changes = changes || expected[i].tempo != songs[i].tempo;
        }
        // Counted as the user's change, as an edit is.
        QCOMPARE(window->modified, changes);
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
        // The table is sorted again, the selection still on the same songs.
        const QAbstractItemModel *model = window->libraryModel;
        for (int row = 1; row < model->rowCount(); ++row)
            QVERIFY(model->index(row - 1, ColumnBpm).data().toInt() <= model->index(row, ColumnBpm).data().toInt());
        for (int i = 0; i < songs.size(); ++i)
            QCOMPARE(window->tableWidget->selectionModel()->isSelected(
                         window->filterModel->mapFromSource(bpmCell(QString::number(i)))),
                     songs[i].selected);
    }

    // Lock BPM locks the selected songs, or unlocks them when every one of
    // them is locked; its check mark follows the selection.
    void lockCommandFollowsTheSelection()
    {
        addSong(QStringLiteral("1"), 120, 0);
        addSong(QStringLiteral("2"), 67.5, 135, true);
        addSong(QStringLiteral("3"), 90, 0);
        QAction *lock = window->actionLock_BPM;
        QTableView *table = window->tableWidget;
        table->setSelectionMode(QAbstractItemView::MultiSelection);
        QVERIFY(!lock->isChecked());
        select(QStringLiteral("2"));
        QVERIFY(lock->isChecked());
        select(QStringLiteral("1"));
        QVERIFY(!lock->isChecked());
        QVERIFY(!window->modified);

        table->setFocus();
        QTest::keySequence(table, QKeySequence(QStringLiteral("Ctrl+L")));
        QVERIFY(librarySong(QStringLiteral("1")).bpmLocked());
        QVERIFY(librarySong(QStringLiteral("2")).bpmLocked());
        QVERIFY(!librarySong(QStringLiteral("3")).bpmLocked());
        QVERIFY(lock->isChecked());
        QVERIFY(window->modified);
        QVERIFY(bpmCell(QStringLiteral("1")).data(Qt::DecorationRole).isValid());
        QVERIFY(!bpmCell(QStringLiteral("3")).data(Qt::DecorationRole).isValid());
        // The lock holds the BPM, Alternative and exact tempo as they were.
        QCOMPARE(librarySong(QStringLiteral("2")).bpmExact(), 67.5);
        QCOMPARE(librarySong(QStringLiteral("2")).bpmAlternative(), 135);

        lock->trigger();
        QVERIFY(!librarySong(QStringLiteral("1")).bpmLocked());
        QVERIFY(!librarySong(QStringLiteral("2")).bpmLocked());
        QVERIFY(!lock->isChecked());
        QVERIFY(!bpmCell(QStringLiteral("2")).data(Qt::DecorationRole).isValid());
        QCOMPARE(bpmCell(QStringLiteral("2")).data(Qt::ToolTipRole).toString(), QStringLiteral("Maybe 135"));

        // Nothing selected: nothing to lock.
        table->clearSelection();
        QVERIFY(!lock->isChecked());
        lock->trigger();
        for (const char *id : {"1", "2", "3"})
            QVERIFY(!librarySong(QString::fromLatin1(id)).bpmLocked());
        QVERIFY(!lock->isChecked());
    }

    // Typing a BPM settles the level of that song only, even when the new
    // value moves its row; other writers of the cell leave the mark alone.
    void typedBpmClearsTheMark()
    {
        addSong(QStringLiteral("1"), 62.5, 127);
        addSong(QStringLiteral("2"), 90, 180);
        const DBelement &typed = librarySong(QStringLiteral("1"));
        const DBelement &other = librarySong(QStringLiteral("2"));
        QTableView *table = window->tableWidget;
        table->sortByColumn(ColumnBpm, Qt::AscendingOrder);
        QCOMPARE(bpmCell(QStringLiteral("1")).data(Qt::ForegroundRole).value<QBrush>().color(),
                 DBelement::alternativeBpmColour);

        table->edit(window->filterModel->mapFromSource(bpmCell(QStringLiteral("1"))));
        auto *editor = table->viewport()->findChild<QSpinBox *>();
        QVERIFY(editor);
        editor->setValue(130);
        QPointer<QSpinBox> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(open.isNull());

        QCOMPARE(typed.bpm(), 130);
        QCOMPARE(typed.bpmExact(), 130.);
        QTRY_COMPARE(bpmCell(QStringLiteral("1")).row(), 1);
        QCOMPARE(typed.bpmAlternative(), 0);
        // The typed BPM is the user's own: locked, so BeatFind and the level
        // commands keep it.
        QVERIFY(typed.bpmLocked());
        QCOMPARE(bpmCell(QStringLiteral("1")).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("BPM locked: BeatFind and the level commands keep it"));
        QVERIFY(bpmCell(QStringLiteral("1")).data(Qt::DecorationRole).isValid());
        QVERIFY(!bpmCell(QStringLiteral("1")).data(Qt::ForegroundRole).isValid());
        QVERIFY(!other.bpmLocked());
        QCOMPARE(other.bpmAlternative(), 180);
        editSong(QStringLiteral("2"), [](DBelement &record) { record.setBPM(QStringLiteral("95")); });
        QCOMPARE(bpmCell(QStringLiteral("2")).data(Qt::ToolTipRole).toString(), QStringLiteral("Maybe 180"));
    }

    void bpmRangeDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("stored");
        QTest::newRow("OK") << true << "70-140";
        QTest::newRow("Cancel") << false << "80-160";
    }
    void bpmRangeDialog()
    {
        QFETCH(bool, accept);
        QFETCH(QString, stored);
        setPreferredBpmRange({80, 160});
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<BpmRangeDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("BPM Range"));
            QCOMPARE(dialog->range(), (BpmRange{80, 160}));
            // The ends hold each other back rather than cross.
            dialog->lowBox->setValue(170);
            QCOMPARE(dialog->range(), (BpmRange{160, 160}));
            dialog->highBox->setValue(40);
            QCOMPARE(dialog->range(), (BpmRange{160, 160}));
            dialog->highBox->setValue(210);
            dialog->lowBox->setValue(20);
            QCOMPARE(dialog->range(), (BpmRange{50, 200}));
            dialog->highBox->setValue(140);
            dialog->lowBox->setValue(70);
            answered = true;
            accept ? dialog->accept() : dialog->reject();
        });
        window->actionBPM_Range->trigger();
        QVERIFY(answered);
        QCOMPARE(QSettings().value(QStringLiteral("preferredBpmRange")).toString(), stored);
        QVERIFY(!window->modified);
    }
};

VELMORA_TEST_MAIN(TestLevelCommands)
#include "tst_levelcommands.moc"
