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

// Songs as "bpm/alternative", a leading '*' for a selected one, in
// persistent-ID order "0", "1", ...
struct SongLevels
{
    int bpm;
    int alternative;
    bool selected;
};

QList<SongLevels> songLevels(const QString &text)
{
    QList<SongLevels> songs;
    for (QString song : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool selected = song.startsWith(QLatin1Char('*'));
        if (selected)
            song.remove(0, 1);
        const QStringList values = song.split(QLatin1Char('/'));
        songs.append({values[0].toInt(), values[1].toInt(), selected});
    }
    return songs;
}

} // namespace

class TestLevelCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;

    void addSong(const QString &id, int bpm, int alternative)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(QStringLiteral("Song ") + id);
            record.setBPM(QString::number(bpm));
            record.setBpmAlternative(alternative);
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

    // Each command through its shortcut on the table, over the selected
    // songs only; a change that would leave 50-200 is not made at all.
    void commandsOnTheSelectedSongs_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");
        QTest::newRow("double, up to the upper end, not beyond")
            << int(Qt::Key_Up) << "*63/127 *100/0 *101/0 120/0"
            << "126/0 200/0 101/0 120/0"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("double the lower end") << int(Qt::Key_Up) << "*50/0"
                                              << "100/0"
                                              << "";
        QTest::newRow("double without a BPM") << int(Qt::Key_Up) << "*0/0 *0/0"
                                              << "0/0 0/0"
                                              << "2 of 2 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("halve, down to the lower end, not beyond")
            << int(Qt::Key_Down) << "*172/0 *101/0 *99/0 *0/0 80/0"
            << "86/0 50/0 99/0 0/0 80/0"
            << "2 of 4 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("halve the upper end, settling the level") << int(Qt::Key_Down) << "*200/100"
                                                                 << "100/0"
                                                                 << "";
        QTest::newRow("use swaps, at the range ends too")
            << int(Qt::Key_Right) << "*63/127 *120/0 *200/50 90/180"
            << "127/63 120/0 50/200 90/180"
            << "1 of 3 songs kept their BPM: nothing to change, or outside 50-200";
        QTest::newRow("use beside no BPM") << int(Qt::Key_Right) << "*0/90"
                                           << "90/0"
                                           << "";
        QTest::newRow("nothing selected") << int(Qt::Key_Right) << "63/127 120/0"
                                          << "63/127 120/0"
                                          << "";
    }
    void commandsOnTheSelectedSongs()
    {
        QFETCH(int, key);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, message);
        const QList<SongLevels> songs = songLevels(before);
        bool changes = false;
        for (int i = 0; i < songs.size(); ++i)
            addSong(QString::number(i), songs[i].bpm, songs[i].alternative);
        window->tableWidget->setSelectionMode(QAbstractItemView::MultiSelection);
        window->tableWidget->sortByColumn(ColumnBpm, Qt::AscendingOrder);
        for (int i = 0; i < songs.size(); ++i) {
            if (songs[i].selected)
                select(QString::number(i));
        }
        window->tableWidget->setFocus();
        QTest::keyClick(window->tableWidget, Qt::Key(key), Qt::ControlModifier);
        // The table re-sorts in the next turn of the event loop.
        QCoreApplication::processEvents();

        const QList<SongLevels> expected = songLevels(after);
        for (int i = 0; i < expected.size(); ++i) {
            const DBelement &record = librarySong(QString::number(i));
            QCOMPARE(record.bpm(), expected[i].bpm);
            QCOMPARE(record.bpmAlternative(), expected[i].alternative);
            QCOMPARE(bpmCell(QString::number(i)).data(Qt::ToolTipRole).toString(),
                     expected[i].alternative ? QStringLiteral("Maybe %1").arg(expected[i].alternative) : QString());
            changes = changes || expected[i].bpm != songs[i].bpm;
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

    // Typing a BPM settles the level of that song only, even when the new
    // value moves its row; other writers of the cell leave the mark alone.
    void typedBpmClearsTheMark()
    {
        addSong(QStringLiteral("1"), 63, 127);
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
        QTRY_COMPARE(bpmCell(QStringLiteral("1")).row(), 1);
        QCOMPARE(typed.bpmAlternative(), 0);
        QVERIFY(!bpmCell(QStringLiteral("1")).data(Qt::ToolTipRole).isValid());
        QVERIFY(!bpmCell(QStringLiteral("1")).data(Qt::ForegroundRole).isValid());
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
