#include "dialoganswerer.h"
#include "filebytes.h"
#include "itunestestfiles.h"
#include "librarysongs.h"
#include "songfiles.h"
#include "testenvironment.h"
#include "app/tagdesk.h"
#include "library/songhistory.h"
#include "table/columns.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Undo and Redo through the real window: each command the user can give is
// one step, and undoing it writes the library file it wrote before.
class TestUndo : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Tagdesk> window;

    void addSong(const QString &id, const QString &title, double tempo, int alternative, bool locked)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(title);
            record.setArtist(QStringLiteral("Band"));
            record.setLevels({tempo, alternative});
            record.setBpmLocked(locked);
        });
        SongStore::library().setupRow(libraryKey(id));
    }

    QModelIndex shownBpmCell(const QString &id) const
    {
        const LibraryModel *model = window->libraryModel;
        return window->filterModel->mapFromSource(model->index(model->rowOf(libraryKey(id)), ColumnBpm));
    }

    void select(const QStringList &ids)
    {
        window->tableWidget->clearSelection();
        for (const QString &id : ids)
            window->tableWidget->selectionModel()->select(shownBpmCell(id),
                                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // The library file as Save would write it now.
    QByteArray savedLibrary()
    {
        const QString path = dir.filePath(QStringLiteral("library.tgd"));
        if (!window->writeLibrary(path))
            return {};
        return readFile(path);
    }

    bool waitForFolderImport()
    {
        QSignalSpy done(window.get(), &Tagdesk::folderImportDone);
        return !window->folderImport.folderScan || done.wait(30000);
    }

    void give(const QString &command)
    {
        if (command == QLatin1String("typed BPM")) {
            window->filterModel->setData(shownBpmCell("1"), 150, Qt::EditRole);
        } else if (command == QLatin1String("Delete")) {
            select({"1", "2"});
            DialogAnswerer answers;
            answers.messageBox(QMessageBox::Yes);
            window->actionDelete->trigger();
        } else if (command == QLatin1String("Merge")) {
            QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
            window->mergeEdit();
            QVERIFY(done.wait(10000));
        } else if (command == QLatin1String("iTunes Import")) {
            QVERIFY(importFromItunes(*window));
        } else if (command == QLatin1String("Music Folder Import")) {
            QVERIFY(makeSilentWav(dir.filePath(QStringLiteral("music/new song.wav"))));
            window->importMusicPaths({dir.filePath(QStringLiteral("music"))}, false);
            QVERIFY(waitForFolderImport());
        } else {
            select({"1", "2", "3"});
            for (QAction *action : window->menuEdit->actions()) {
                if (action->text() == command)
                    action->trigger();
            }
        }
    }

private slots:
    void init()
    {
        QSettings().clear();
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("music"));
        window = std::make_unique<Tagdesk>();
        window->show();
        addSong("1", "Song", 127.5, 85, false);
        addSong("2", "Dotted", 95, 190, false);
        addSong("3", "Kept", 150, 0, true);
        // iTunes holds "Song" by "Band" under another ID: Merge's duplicate of "1".
        writeSongAndOtherInItunes();
    }

    void cleanup()
    {
        window.reset();
        SongStore::library().clear();
        QFile::remove(itunesLibraryPath());
        QDir(dir.filePath(QStringLiteral("music"))).removeRecursively();
    }

    void eachCommandIsOneStep_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("stepName");
        QTest::newRow("typed BPM") << "typed BPM"
                                   << "Edit BPM";
        for (const char *level : {"Double BPM", "Halve BPM", "BPM x 3/2", "BPM x 2/3", "Use Alternative BPM"})
            QTest::newRow(level) << level << level;
        QTest::newRow("lock") << "Lock BPM"
                              << "Lock BPM";
        QTest::newRow("Delete") << "Delete"
                                << "Delete";
        QTest::newRow("Merge") << "Merge"
                               << "Merge";
        QTest::newRow("iTunes import") << "iTunes Import"
                                       << "iTunes Import";
        QTest::newRow("folder import") << "Music Folder Import"
                                       << "Music Folder Import";
    }

    // Undo writes the library file of before the command, Redo the one of
    // after it, as often as the user goes back and forth.
    void eachCommandIsOneStep()
    {
        QFETCH(QString, command);
        QFETCH(QString, stepName);
        // Merge imports first, a step of its own; the merge is the step undone.
        if (command == QLatin1String("Merge"))
            QVERIFY(importFromItunes(*window));
        const QByteArray before = savedLibrary();
        const int rowsBefore = window->libraryModel->rowCount();
        give(command);
        const QByteArray after = savedLibrary();
        QVERIFY(!before.isEmpty());
        QVERIFY(after != before);
        const int rowsAfter = window->libraryModel->rowCount();
        QCOMPARE(window->actionUndo->text(), QStringLiteral("Undo ") + stepName);
        QVERIFY(window->actionUndo->isEnabled());
        QVERIFY(!window->actionRedo->isEnabled());

        for (int round = 0; round < 2; ++round) {
            window->actionUndo->trigger();
            QCOMPARE(savedLibrary(), before);
            QCOMPARE(window->libraryModel->rowCount(), rowsBefore);
            QCOMPARE(window->actionRedo->text(), QStringLiteral("Redo ") + stepName);
            window->actionRedo->trigger();
            QCOMPARE(savedLibrary(), after);
            QCOMPARE(window->libraryModel->rowCount(), rowsAfter);
        }
    }

    // Undo back to the saved library leaves nothing to save; any other state
    // is a change.
    void theSavedLibraryIsNoChange()
    {
        QVERIFY(!savedLibrary().isEmpty());
        QVERIFY(!window->modified);
        select({"2"});
        window->actionDouble_BPM->trigger();
        QVERIFY(window->modified);
        window->actionUndo->trigger();
        QVERIFY(!window->modified);
        window->actionRedo->trigger();
        QVERIFY(window->modified);
        QCOMPARE(window->statusbar->currentMessage(), QStringLiteral("Redone: Double BPM"));
    }

    void newAndOpenForgetTheHistory()
    {
        const QString path = dir.filePath(QStringLiteral("library.tgd"));
        QVERIFY(window->writeLibrary(path));
        select({"2"});
        window->actionDouble_BPM->trigger();
        window->actionUndo->trigger();
        QVERIFY(window->actionRedo->isEnabled());
        window->loadFile(path);
        QTRY_VERIFY(!window->fileRead.loadingFile);
        QVERIFY(!window->actionUndo->isEnabled() && !window->actionRedo->isEnabled());
        QCOMPARE(window->actionUndo->text(), QStringLiteral("Undo"));

        select({"2"});
        window->actionDouble_BPM->trigger();
        QVERIFY(window->actionUndo->isEnabled());
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::No);
        window->newFile();
        QVERIFY(!window->actionUndo->isEnabled());
    }

    // An import under way is not undone halfway: Undo waits for its end.
    void undoWaitsForAnImport()
    {
        select({"2"});
        window->actionDouble_BPM->trigger();
        QVERIFY(window->actionUndo->isEnabled());
        QVERIFY(makeSilentWav(dir.filePath(QStringLiteral("music/a.wav"))));
        window->importMusicPaths({dir.filePath(QStringLiteral("music"))}, false);
        QVERIFY(!window->actionUndo->isEnabled());
        window->undoEdit();
        QCOMPARE(librarySong("2").bpm(), 190);
        QVERIFY(waitForFolderImport());
        QCOMPARE(window->actionUndo->text(), QStringLiteral("Undo Music Folder Import"));
        QVERIFY(window->actionUndo->isEnabled());
    }
};

VELMORA_TEST_MAIN(TestUndo)
#include "tst_undo.moc"
