#include "library/m3u8playlist.h"
#include "filebytes.h"
#include "smallfilesystem.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The playlist's text made from songs, and its file written whole or not at all.
class TestM3u8Playlist : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // One song each: the lines it gets after "#EXTM3U", or why it is left out.
    void songLines_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fileFound");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("folder"); // where the playlist goes
        QTest::addColumn<QString>("lines"); // empty when left out
        QTest::addColumn<QString>("leftOut"); // "", "no file" or "line break"
        const QString music = "/home/u/Music";
        QTest::newRow("under the folder: relative")
            << "/home/u/Music/Artist/Song.mp3" << true << "Artist"
            << "Song" << -1 << music << "#EXTINF:-1,Artist - Song\nArtist/Song.mp3\n"
            << "";
        QTest::newRow("outside the folder: absolute")
            << "/srv/music/Song.mp3" << true << "Artist"
            << "Song" << -1 << music << "#EXTINF:-1,Artist - Song\n/srv/music/Song.mp3\n"
            << "";
        QTest::newRow("a folder whose name starts the same: absolute")
            << "/home/u/Music2/Song.mp3" << true << "Artist"
            << "Song" << -1 << music << "#EXTINF:-1,Artist - Song\n/home/u/Music2/Song.mp3\n"
            << "";
        QTest::newRow("folder given with a trailing slash") << "/home/u/Music/Song.mp3" << true << "A"
                                                            << "Song" << -1 << "/home/u/Music/"
                                                            << "#EXTINF:-1,A - Song\nSong.mp3\n"
                                                            << "";
        QTest::newRow("playlist at the root") << "/srv/Song.mp3" << true << "A"
                                              << "Song" << -1 << "/"
                                              << "#EXTINF:-1,A - Song\nsrv/Song.mp3\n"
                                              << "";
        QTest::newRow("doubled slashes in the song's path")
            << "/home/u/Music//Song.mp3" << true << "A"
            << "Song" << -1 << music << "#EXTINF:-1,A - Song\nSong.mp3\n"
            << "";
        QTest::newRow("non-ASCII and spaces")
            << "/home/u/Music/Sigur Rós/Ágætis byrjun 日本.flac" << true << "Sigur Rós"
            << "Ágætis byrjun" << -1 << music
            << "#EXTINF:-1,Sigur Rós - Ágætis byrjun\nSigur Rós/Ágætis byrjun 日本.flac\n"
            << "";
        QTest::newRow("no artist: the title alone") << "/srv/Song.mp3" << true << ""
                                                    << "Song" << -1 << music << "#EXTINF:-1,Song\n/srv/Song.mp3\n"
                                                    << "";
        QTest::newRow("blank artist: the title alone") << "/srv/Song.mp3" << true << "  "
                                                       << "Song" << -1 << music << "#EXTINF:-1,Song\n/srv/Song.mp3\n"
                                                       << "";
        QTest::newRow("no title: the artist alone") << "/srv/Song.mp3" << true << "Artist"
                                                    << "" << -1 << music << "#EXTINF:-1,Artist\n/srv/Song.mp3\n"
                                                    << "";
        QTest::newRow("line breaks in the tags become spaces")
            << "/srv/Song.mp3" << true << "Two\r\nNames"
            << "One\nSong" << -1 << music << "#EXTINF:-1,Two  Names - One Song\n/srv/Song.mp3\n"
            << "";
        QTest::newRow("commas and percent signs kept")
            << "/srv/Song %1.mp3" << true << "Crosby, Stills"
            << "100%2, live" << -1 << music << "#EXTINF:-1,Crosby, Stills - 100%2, live\n/srv/Song %1.mp3\n"
            << "";
        QTest::newRow("a known length") << "/srv/Song.mp3" << true << "A"
                                        << "Song" << 215 << music << "#EXTINF:215,A - Song\n/srv/Song.mp3\n"
                                        << "";
        // A line that starts with "#" is a comment to every reader.
        QTest::newRow("file name starting with #") << "/home/u/Music/#1 Hit.mp3" << true << "A"
                                                   << "Hit" << -1 << music << "#EXTINF:-1,A - Hit\n./#1 Hit.mp3\n"
                                                   << "";
        QTest::newRow("file missing") << "/home/u/Music/Gone.mp3" << false << "A"
                                      << "Gone" << -1 << music << ""
                                      << "no file";
        QTest::newRow("no location") << "" << false << "A"
                                     << "Nowhere" << -1 << music << ""
                                     << "no file";
        QTest::newRow("line feed in the file name") << "/home/u/Music/two\nlines.mp3" << true << "A"
                                                    << "Two" << -1 << music << ""
                                                    << "line break";
        QTest::newRow("carriage return in the file name") << "/srv/two\rlines.mp3" << true << "A"
                                                          << "Two" << -1 << music << ""
                                                          << "line break";
    }
    void songLines()
    {
        QFETCH(QString, path);
        QFETCH(bool, fileFound);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        QFETCH(int, seconds);
        QFETCH(QString, folder);
        QFETCH(QString, lines);
        QFETCH(QString, leftOut);
        const M3u8Playlist playlist = m3u8Playlist({PlaylistSong{path, fileFound, artist, title, seconds}}, folder);
        QCOMPARE(QString::fromUtf8(playlist.text), "#EXTM3U\n" + lines);
        QCOMPARE(playlist.written, lines.isEmpty() ? 0 : 1);
        QCOMPARE(playlist.withoutFile, leftOut == "no file" ? 1 : 0);
        QCOMPARE(playlist.lineBreakInName, leftOut == "line break" ? 1 : 0);
    }

    // The songs keep the order given, whatever is left out between them.
    void keepsTheOrderGiven()
    {
        const M3u8Playlist playlist = m3u8Playlist({{"/m/c.mp3", true, "", "C", -1},
                                                    {"/m/gone.mp3", false, "", "Gone", -1},
                                                    {"/m/a.mp3", true, "", "A", -1},
                                                    {"/m/x\ny.mp3", true, "", "XY", -1},
                                                    {"/m/b.mp3", true, "", "B", -1}},
                                                   "/m");
        QCOMPARE(playlist.text, QByteArray("#EXTM3U\n#EXTINF:-1,C\nc.mp3\n#EXTINF:-1,A\na.mp3\n#EXTINF:-1,B\nb.mp3\n"));
        QCOMPARE(playlist.written, 3);
        QCOMPARE(playlist.withoutFile, 1);
        QCOMPARE(playlist.lineBreakInName, 1);
    }

    void summary_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("withoutFile");
        QTest::addColumn<int>("lineBreak");
        QTest::addColumn<QString>("summary");
        QTest::newRow("all written") << 120 << 0 << 0 << "Playlist written: 120 songs";
        QTest::newRow("one song") << 1 << 0 << 0 << "Playlist written: 1 song";
        QTest::newRow("none") << 0 << 0 << 0 << "Playlist written: 0 songs";
        QTest::newRow("some without a file") << 120 << 3 << 0 << "Playlist written: 120 songs, 3 left out (no file)";
        QTest::newRow("both reasons") << 5 << 2 << 1
                                      << "Playlist written: 5 songs, 2 left out (no file), "
                                         "1 left out (line break in the file name)";
    }
    void summary()
    {
        QFETCH(int, written);
        QFETCH(int, withoutFile);
        QFETCH(int, lineBreak);
        QFETCH(QString, summary);
        M3u8Playlist playlist;
        playlist.written = written;
        playlist.withoutFile = withoutFile;
        playlist.lineBreakInName = lineBreak;
        QCOMPARE(playlistSummary(playlist), summary);
    }

    // Where the file cannot go, the reason is given, nothing is left behind
    // and what was there stays as it was. The test runs as root in CI, so a
    // folder without write permission would not stop it.
    void unwritablePlaces_data()
    {
        QTest::addColumn<QString>("target"); // under the test folder
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder is a regular file") << "file.txt/list.m3u8"
                                                  << "Not a directory; nothing was written";
        QTest::newRow("folder gone") << "gone/list.m3u8"
                                     << "; nothing was written";
        QTest::newRow("name is a folder") << "folder.m3u8"
                                          << "; the file is as it was";
    }
    void unwritablePlaces()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir.filePath("folder.m3u8")));
        QVERIFY(writeFile(dir.filePath("file.txt"), "kept"));
        QString error;
        QVERIFY(!savePlaylistFile(dir.filePath(target), "#EXTM3U\n", &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(readFile(dir.filePath("file.txt")), QByteArray("kept"));
        QVERIFY(QFileInfo(dir.filePath("folder.m3u8")).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({"file.txt", "folder.m3u8"}));
    }

    // An old playlist is replaced whole; on a full disk it stays as it was.
    void replacesAnOldPlaylist_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("room enough") << false;
        QTest::newRow("disk full") << true;
    }
    void replacesAnOldPlaylist()
    {
        QFETCH(bool, diskFull);
        SmallFilesystem disk(1 << 20);
        if (!disk.problem().isEmpty())
            QSKIP(qPrintable(disk.problem()));
        const QString file = disk.path() + "/list.m3u8";
        const QByteArray old = "#EXTM3U\n#EXTINF:-1,Old\nold.mp3\n";
        QVERIFY(writeFile(file, old));
        const QByteArray text = "#EXTM3U\n#EXTINF:-1,New\n" + QByteArray(8000, 'n') + ".mp3\n";
        QVERIFY(disk.fillLeaving(diskFull ? 0 : 64 << 10));
        QString error;
        QCOMPARE(savePlaylistFile(file, text, &error), !diskFull);
        if (diskFull)
            QCOMPARE(error, QStringLiteral("the disk is full; the file is as it was"));
        QCOMPARE(readFile(file), diskFull ? old : text);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({".filler", "list.m3u8"}));
    }
};

VELMORA_TEST_MAIN_WITH(TestM3u8Playlist, enterPrivateMountNamespace())
#include "tst_m3u8playlist.moc"
