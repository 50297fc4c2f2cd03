// The filter bar through the real window, offscreen: keys typed into it, the
// rows the table shows, what the commands act on, and what is remembered.
#include "app/tagdesk.h"
#include "librarysongs.h"
#include "table/columns.h"
#include "testenvironment.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QLocale>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <memory>

class TestFilterBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;

    void addSong(const QString &id, const QString &title, int bpm, int alternative = 0)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(title);
            record.setBPM(bpm);
            record.setBpmAlternative(alternative);
        });
        SongStore::library().setupRow(libraryKey(id));
    }

    void addSongs()
    {
        addSong(QStringLiteral("1"), QStringLiteral("Run Fast"), 170, 85);
        addSong(QStringLiteral("2"), QStringLiteral("Walk"), 88);
        addSong(QStringLiteral("3"), QStringLiteral("Caf\u00e9"), 120);
        addSong(QStringLiteral("4"), QStringLiteral("Runaway"), 0);
        QCoreApplication::processEvents();
    }

    // The titles the table shows, top to bottom.
    QStringList shownTitles() const { return columnTexts(window->tableWidget->model(), ColumnTitle); }

    void type(const QString &text)
    {
        window->filterBar->clear();
        QTest::keyClicks(window->filterBar, text);
        QVERIFY(QTest::qWaitFor([this] { return !window->filterModel->isJudging(); }, 5000));
        // The typing pause, then a turn for the count.
        QTest::qWait(100);
    }

    QString count() const
    {
        const auto *label = window->statusbar->findChild<QLabel *>();
        return label && label->isVisible() ? label->text() : QString();
    }

private slots:
    void init()
    {
        QSettings().remove(QStringLiteral("lastFilter"));
        window = std::make_unique<Tagdesk>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        addSongs();
    }
    void cleanup()
    {
        window.reset();
        QSettings().remove(QStringLiteral("lastFilter"));
    }

    void typingNarrowsTheTableAndCountsTheSongs()
    {
        QCOMPARE(shownTitles(), (QStringList{"Café", "Run Fast", "Runaway", "Walk"}));
        QCOMPARE(count(), QString());
        type(QStringLiteral("~bpm:170-180"));
        QCOMPARE(shownTitles(), (QStringList{"Run Fast", "Walk"}));
        QCOMPARE(count(), QStringLiteral("2 of 4 songs"));
        type(QStringLiteral("CAFE"));
        QCOMPARE(shownTitles(), QStringList{"Café"});
        // A header click sorts the shown songs, the filter still on.
        type(QStringLiteral("run"));
        window->tableWidget->sortByColumn(ColumnTitle, Qt::DescendingOrder);
        QCoreApplication::processEvents();
        QCOMPARE(shownTitles(), (QStringList{"Runaway", "Run Fast"}));
        // Esc in the bar shows every song again.
        QTest::keyClick(window->filterBar, Qt::Key_Escape);
        QVERIFY(QTest::qWaitFor([this] { return shownTitles().size() == 4; }, 2000));
        QTest::qWait(50);
        QCOMPARE(count(), QString());
    }

    // Select All and every command take the shown songs only.
    void commandsActOnTheShownSongs()
    {
        type(QStringLiteral("run"));
        // What Export Playlist writes: the shown songs, top to bottom.
        QCOMPARE(window->shownSongKeys(), (std::vector<std::string>{"1", "4"}));
        window->tableWidget->selectAll();
        std::vector<std::string> keys = window->selectedSongKeys();
        std::sort(keys.begin(), keys.end());
        QCOMPARE(keys, (std::vector<std::string>{"1", "4"}));
        window->doubleBpm();
        QCOMPARE(librarySong(QStringLiteral("2")).bpm(), 88);
        QCOMPARE(librarySong(QStringLiteral("3")).bpm(), 120);
        // A filter that hides a selected song takes it out of the selection.
        type(QStringLiteral("fast"));
        QCOMPARE(window->selectedSongKeys(), std::vector<std::string>{"1"});
        // Lock BPM's check mark follows the shown song selected, not the
        // library's song in the same row.
        editSong(QStringLiteral("1"), [](DBelement &record) { record.setBpmLocked(true); });
        QVERIFY(window->actionLock_BPM->isChecked());
        window->actionLock_BPM->trigger();
        QVERIFY(!librarySong(QStringLiteral("1")).bpmLocked());
        QVERIFY(!window->actionLock_BPM->isChecked());
    }

    // A song that stops matching stays until the text changes or Enter is
    // pressed; a new song that matches comes in at once.
    void rowsDoNotJumpAwayUnderTheUser()
    {
        type(QStringLiteral("unsure"));
        QCOMPARE(shownTitles(), QStringList{"Run Fast"});
        editSong(QStringLiteral("1"), [](DBelement &record) { record.setBpmAlternative(0); });
        addSong(QStringLiteral("5"), QStringLiteral("Doubtful"), 100, 200);
        addSong(QStringLiteral("6"), QStringLiteral("Certain"), 100);
        QCoreApplication::processEvents();
        QCOMPARE(shownTitles(), (QStringList{"Doubtful", "Run Fast"}));
        QTRY_COMPARE(count(), QStringLiteral("2 of 6 songs"));
        QTest::keyClick(window->filterBar, Qt::Key_Return);
        QCOMPARE(shownTitles(), QStringList{"Doubtful"});
        // The library emptied and filled again: the new songs are judged.
        SongStore::library().clear();
        addSong(QStringLiteral("7"), QStringLiteral("Unsure again"), 100, 50);
        addSong(QStringLiteral("8"), QStringLiteral("Sure"), 100);
        QCoreApplication::processEvents();
        QCOMPARE(shownTitles(), QStringList{"Unsure again"});
    }

    // A saved list applies its filter from the Lists menu, and its playlist
    // holds the songs its filter lets through, whatever the bar shows.
    void listsAreSavedFiltersWithPlaylists()
    {
        QTemporaryDir music;
        for (const char *id : {"1", "2", "3", "4"}) {
            const QString path = music.filePath(QStringLiteral("song%1.mp3").arg(id));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            editSong(QString::fromLatin1(id), [&path](DBelement &record) { record.setLocation(path); });
        }
        window->saveList(QStringLiteral("Running"), QStringLiteral("~bpm:170-180"));
        window->saveList(QStringLiteral("No/BPM"), QStringLiteral("nobpm"));
        auto *lists = window->menuBar()->findChild<QMenu *>(QStringLiteral("menuLists"));
        QVERIFY(lists);
        QCOMPARE(window->menuBar()->actions().constLast()->menu(), lists);
        QAction *running = nullptr;
        for (QAction *action : lists->actions())
            running = action->text() == QLatin1String("Running") ? action : running;
        QVERIFY(running);
        type(QStringLiteral("cafe"));
        QCOMPARE(window->listSongKeys(QStringLiteral("Running")), (std::vector<std::string>{"1", "2"}));

        running->trigger();
        QCOMPARE(window->filterBar->text(), QStringLiteral("~bpm:170-180"));
        QVERIFY(QTest::qWaitFor([this] { return !window->filterModel->isJudging(); }, 5000));
        QCOMPARE(shownTitles(), (QStringList{"Run Fast", "Walk"}));

        QTemporaryDir out;
        QVERIFY(window->exportListsInto(out.path()));
        QCOMPARE(window->statusbar->currentMessage(), QStringLiteral("2 lists written to %1").arg(out.path()));
        QFile playlist(out.filePath(QStringLiteral("Running.m3u8")));
        QVERIFY(playlist.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = playlist.readAll().split('\n');
        QCOMPARE(
            std::count_if(lines.begin(), lines.end(), [](const QByteArray &line) { return line.endsWith(".mp3"); }), 2);
        QVERIFY(lines.contains(QFile::encodeName(music.filePath(QStringLiteral("song1.mp3")))));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("No_BPM.m3u8"))));

        window->removeList(QStringLiteral("Running"));
        window->removeList(QStringLiteral("No/BPM"));
        QCOMPARE(lists->actions().size(), 1);
    }

    void ctrlFFocusesTheBarAndTheFilterIsRemembered()
    {
        window->tableWidget->setFocus();
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(window->filterBar->hasFocus());
        type(QStringLiteral("bpm:80-130"));
        QTRY_COMPARE(QSettings().value(QStringLiteral("lastFilter")).toString(), QStringLiteral("bpm:80-130"));
        window.reset();
        window = std::make_unique<Tagdesk>();
        QCOMPARE(window->filterBar->text(), QStringLiteral("bpm:80-130"));
        addSongs();
        QCOMPARE(shownTitles(), (QStringList{"Café", "Walk"}));
    }
};

VELMORA_TEST_MAIN(TestFilterBar)
#include "tst_filterbar.moc"
