#include "librarysongs.h"
#include "dialoganswerer.h"
#include "songfiles.h"
#include "testenvironment.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QDir>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// The music folder import through the window: the Sync menu command, a drop,
// the music source that Merge and BeatFind import from, and the user who has
// no music yet.
class TestFolderImport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString tree; // Music/ with three songs and a stray file
    QString other; // a song outside it
    std::unique_ptr<Tagdesk> window;

    bool waitForImport()
    {
        QSignalSpy done(window.get(), &Tagdesk::folderImportDone);
        return done.count() > 0 || done.wait(30000);
    }

    const DBelement *recordTitled(const QString &title)
    {
        for (const auto &entry : SongStore::library().tableMap()) {
            if (entry.second.text(SongField::Title) == title)
                return &entry.second;
        }
        return nullptr;
    }

    void dropPaths(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QVERIFY(drop.isAccepted());
    }

private slots:
    void initTestCase()
    {
        if (!haveFfmpeg())
            QSKIP("ffmpeg is not installed");
        tree = dir.filePath("Music");
        QVERIFY(QDir().mkpath(tree + "/Artist/Album"));
        QVERIFY(makeSongFile(tree + "/Artist/Album/01 Tagged.mp3",
                             {"title=Tagged Song", "artist=Artist", "album=Album", "TBPM=128"},
                             {"-id3v2_version", "3"}));
        QVERIFY(makeSongFile(tree + "/Artist/untitled take.flac", {"artist=Artist", "BPM=abc"}));
        QVERIFY(makeSongFile(tree + "/tempo.m4a", {"title=Tempo", "tmpo=91"}));
        QFile stray(tree + "/cover.jpg");
        QVERIFY(stray.open(QIODevice::WriteOnly));
        other = dir.filePath("single.ogg");
        QVERIFY(makeSongFile(other, {"title=Single"}));
    }

    void init()
    {
        QSettings().clear();
        QFile::remove(itunesLibraryFileName());
        window = std::make_unique<Tagdesk>();
        window->haveWarned = true;
    }
    void cleanup() { window.reset(); }

    void menuCommandImportsATreeAndRemembersTheFolder()
    {
        const QList<QAction *> sync = window->menuSync->actions();
        QCOMPARE(sync.at(0), window->actionFrom_iTunes);
        QCOMPARE(sync.at(1)->text(), QStringLiteral("From Music Folder..."));

        DialogAnswerer answers;
        answers.fileDialog(tree);
        window->actionFrom_Music_Folder->trigger();
        QVERIFY(waitForImport());
        QCOMPARE(window->libraryModel->rowCount(), 3);
        QCOMPARE(rememberedMusicFolders(), QStringList{QFileInfo(tree).canonicalFilePath()});

        const DBelement *tagged = recordTitled("Tagged Song");
        QVERIFY(tagged);
        QCOMPARE(tagged->bpm(), 128);
        QCOMPARE(tagged->text(SongField::AlbumTitle), QStringLiteral("Album"));
        QCOMPARE(tagged->text(SongField::Location),
                 QFileInfo(tree + "/Artist/Album/01 Tagged.mp3").canonicalFilePath());
        QCOMPARE(tagged->text(SongField::PersistentID).toLongLong() != 0, true);
        const DBelement *untitled = recordTitled("untitled take");
        QVERIFY(untitled);
        QCOMPARE(untitled->bpm(), 0);
        QCOMPARE(recordTitled("Tempo")->bpm(), 91);

        // Without iTunes the flag column tells which songs the folders hold.
        QCOMPARE(window->libraryModel->headerData(ColumnItunes, Qt::Horizontal).toString(),
                 QStringLiteral("In Folders"));
        QCOMPARE(tagged->text(SongField::Itunes), QStringLiteral("true"));
        QVERIFY(!SongStore::library().inBulkChange());
        QVERIFY(window->statusbar->currentMessage().startsWith("Music folders imported: 3 songs"));
        QVERIFY(window->modified);

        // Imported again: the same songs under the same IDs.
        const QString id = tagged->text(SongField::PersistentID);
        answers.fileDialog(tree);
        window->actionFrom_Music_Folder->trigger();
        QVERIFY(waitForImport());
        QCOMPARE(window->libraryModel->rowCount(), 3);
        QCOMPARE(recordTitled("Tagged Song")->text(SongField::PersistentID), id);
    }

    // A drop imports folders and files; only folders join the music source.
    void dropImportsFoldersAndFiles()
    {
        dropPaths({tree, other, dir.filePath("missing.mp3")});
        QVERIFY(waitForImport());
        QCOMPARE(window->libraryModel->rowCount(), 4);
        QVERIFY(recordTitled("Single"));
        QCOMPARE(rememberedMusicFolders(), QStringList{QFileInfo(tree).absoluteFilePath()});

        QMimeData text;
        text.setText("not a file");
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    // With the folders as the music source, Merge imports all of them first
    // and marks only the songs found there.
    void mergeImportsTheRememberedFolders()
    {
        rememberMusicFolder(tree);
        editSong("77", [](DBelement &gone) {
            gone.setPersistentID("77");
            gone.setTitle("Gone");
            gone.setItunes("1");
        });
        SongStore::library().setupRow("77");
        window->modified = false;

        QSignalSpy imported(window.get(), &Tagdesk::loadItunesDone);
        window->actionMerge->trigger();
        QVERIFY(imported.count() > 0 || imported.wait(30000));
        QCOMPARE(window->libraryModel->rowCount(), 4);
        QCOMPARE(librarySong("77").text(SongField::Itunes), QStringLiteral("false"));
        QCOMPARE(recordTitled("Tempo")->text(SongField::Itunes), QStringLiteral("true"));
        QVERIFY(window->itunesLoaded);
    }

    // A user with neither iTunes nor music folders learns how to add music,
    // once, from each command that needs it.
    void noMusicSourceSaysHowToAddMusic_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("From iTunes") << "actionFrom_iTunes";
        QTest::newRow("Merge") << "actionMerge";
        QTest::newRow("BeatFind") << "actionBeatFind";
    }
    void noMusicSourceSaysHowToAddMusic()
    {
        QFETCH(QString, command);
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::Ok);
        window->findChild<QAction *>(command)->trigger();
        QTRY_COMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].title, QStringLiteral("No music yet"));
        QVERIFY(answers.seen[0].text.contains("From Music Folder..."));
        QVERIFY(answers.seen[0].text.contains("From iTunes"));
        QVERIFY(!answers.seen[0].text.contains("not found"));
        QVERIFY(!window->run.analysisRunning);
        QVERIFY(window->actionBeatFind->isEnabled());
        QCOMPARE(window->libraryModel->headerData(ColumnItunes, Qt::Horizontal).toString(), QStringLiteral("iTunes"));
    }

    void cancelEndsTheImport()
    {
        QSignalSpy done(window.get(), &Tagdesk::folderImportDone);
        window->importMusicPaths({tree}, false);
        QVERIFY(window->folderCancelButton->isVisible() || window->folderCancelButton->isVisibleTo(window.get()));
        QTest::mouseClick(window->folderCancelButton, Qt::LeftButton);
        QCOMPARE(done.count(), 1);
        QCOMPARE(window->statusbar->currentMessage(), QStringLiteral("Music folder import cancelled"));
        QVERIFY(!window->folderImport.folderScan);
        QVERIFY(!SongStore::library().inBulkChange());
        // A later import runs normally.
        window->importMusicPaths({tree}, false);
        QVERIFY(waitForImport());
        QCOMPARE(window->libraryModel->rowCount(), 3);
    }

    // Folders given while a library file is read wait for its end, so the
    // read does not empty the library under the import.
    void importWaitsForALibraryFileRead()
    {
        const QString library = dir.filePath("lib.tgd");
        QFile file(library);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<TAGDESK version=\"100\">\n");
        for (int i = 0; i < 100; ++i)
            file.write(" <Element_Data persistentID=\"" + QByteArray::number(i) + "\" title=\"Old\"/>\n");
        file.write("</TAGDESK>\n");
        file.close();
        window->loadFile(library);
        QVERIFY(window->fileRead.loadingFile);
        window->importMusicPaths({tree}, false);
        QVERIFY(waitForImport());
        QCOMPARE(window->libraryModel->rowCount(), 103);
    }
};

VELMORA_TEST_MAIN(TestFolderImport)
#include "tst_folderimport.moc"
