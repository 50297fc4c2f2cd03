#include "app/tagdesk.h"
#include "filebytes.h"
#include "dialoganswerer.h"
#include "library/globals.h"
#include "librarysongs.h"
#include "smallfilesystem.h"
#include "table/columns.h"
#include "testenvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using Button = QMessageBox::StandardButton;

namespace {

// Reads a playlist as a player would, sharing no code with the writer: strict
// UTF-8, one entry per path line with the #EXTINF line before it, a relative
// path taken from the playlist's folder.
const char *playlistReader = R"(
import json, os, sys
path = sys.argv[1]
text = open(path, 'rb').read().decode('utf-8')
assert '\r' not in text, 'carriage return'
lines = text.split('\n')
assert lines[0] == '#EXTM3U', lines[0]
assert lines[-1] == '', 'no line end after the last line'
entries, info = [], None
for line in lines[1:-1]:
    if line.startswith('#EXTINF:'):
        assert info is None, 'two #EXTINF lines in a row'
        info = line[len('#EXTINF:'):]
        continue
    assert line and not line.startswith('#'), repr(line)
    full = line if os.path.isabs(line) else os.path.join(os.path.dirname(path), line)
    entries.append({'info': info, 'path': line, 'found': os.path.isfile(full)})
    info = None
print(json.dumps(entries))
)";

} // namespace

// File > Export Playlist... in the real window: the shown songs in the shown
// order, read back by an independent reader.
class TestPlaylistExport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Tagdesk> window;

    QString path(const QString &name) const { return dir.filePath(name); }

    void addSong(const QString &id, const QString &title, const QString &artist, int bpm, const QString &location)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(title);
            record.setArtist(artist);
            record.setBPM(bpm);
            if (!location.isEmpty())
                record.setLocation(location);
        });
        SongStore::library().setupRow(libraryKey(id));
    }

    // The entries the reader finds, or a failed test.
    QJsonArray readBack(const QString &playlist)
    {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {"-c", playlistReader, playlist});
        if (!python.waitForFinished(30000) || python.exitCode() != 0) {
            QTest::qFail(python.readAllStandardError().constData(), __FILE__, __LINE__);
            return {};
        }
        return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    }

    // Answers the command's dialogs and returns them.
    QList<DialogAnswerer::Seen> exportTo(const QString &fileName, const QList<Button> &questions = {})
    {
        DialogAnswerer answerer;
        answerer.fileDialog(fileName);
        for (Button answer : questions)
            answerer.messageBox(answer);
        window->actionExport_Playlist->trigger();
        if (answerer.pending() != 0)
            QTest::qFail("a dialog was not shown", __FILE__, __LINE__);
        return answerer.seen;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("/usr/bin/python3 is missing");
    }
    void init()
    {
        QSettings().clear();
        currentFileName.clear();
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(path("music/sub dir")));
        QVERIFY(QDir().mkpath(path("elsewhere")));
        window = std::make_unique<Tagdesk>();
    }
    void cleanup() { window.reset(); }

    // Every kind of song the library can hold, exported in two orders.
    void shownSongsInShownOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::SortOrder>("order");
        QTest::addColumn<QStringList>("titles"); // of the songs written, in order
        QTest::newRow("by BPM, highest first")
            << int(ColumnBpm) << Qt::DescendingOrder << QStringList{"Ünïcode Song", "Deep", "Outside", "Linked"};
        QTest::newRow("by title") << int(ColumnTitle) << Qt::AscendingOrder
                                  << QStringList{"Deep", "Linked", "Outside", "Ünïcode Song"};
    }
    void shownSongsInShownOrder()
    {
        QFETCH(int, column);
        QFETCH(Qt::SortOrder, order);
        QFETCH(QStringList, titles);
        for (const char *file :
             {"music/Ünïcode Song.mp3", "music/sub dir/deep track.mp3", "elsewhere/out.mp3", "music/two\nlines.mp3"})
            QVERIFY(writeFile(path(file), "audio"));
        QVERIFY(QFile::link("../elsewhere/out.mp3", path("music/link.mp3")));
        QVERIFY(QFile::link("../elsewhere/nothing.mp3", path("music/dangling.mp3")));
        addSong("3", "Ünïcode Song", "Zoë", 180, path("music/Ünïcode Song.mp3"));
        addSong("1", "Deep", "", 170, path("music/sub dir/deep track.mp3"));
        addSong("4", "Outside", "Far", 160, path("elsewhere/out.mp3"));
        addSong("2", "Linked", "L", 150, path("music/link.mp3"));
        addSong("5", "Missing", "M", 140, path("music/missing.mp3"));
        addSong("6", "No location", "N", 130, QString());
        addSong("7", "Two lines", "T", 120, path("music/two\nlines.mp3"));
        addSong("8", "Dangling", "D", 110, path("music/dangling.mp3"));
        // Neither order is the library's own, by persistent ID.
        window->tableWidget->sortByColumn(column, order);
        QCoreApplication::processEvents();

        const QString playlist = path("music/list.m3u8");
        const QList<DialogAnswerer::Seen> seen = exportTo(playlist);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, QStringLiteral("Export Playlist"));
        QCOMPARE(window->statusbar->currentMessage(),
                 QStringLiteral("Playlist written: 4 songs, 3 left out (no file), "
                                "1 left out (line break in the file name)"));

        const QMap<QString, QPair<QString, QString>> expected{
            {"Ünïcode Song", {"-1,Zoë - Ünïcode Song", "Ünïcode Song.mp3"}},
            {"Deep", {"-1,Deep", "sub dir/deep track.mp3"}},
            {"Outside", {"-1,Far - Outside", path("elsewhere/out.mp3")}},
            // The link as the library names it, not the file it leads to.
            {"Linked", {"-1,L - Linked", "link.mp3"}},
        };
        const QJsonArray entries = readBack(playlist);
        QCOMPARE(entries.size(), titles.size());
        for (int i = 0; i < titles.size(); ++i) {
            const QJsonObject entry = entries[i].toObject();
            QCOMPARE(entry["info"].toString(), expected[titles[i]].first);
            QCOMPARE(entry["path"].toString(), expected[titles[i]].second);
            QVERIFY2(entry["found"].toBool(), qPrintable(entry["path"].toString()));
        }
    }

    // The name of the library in the folder of the last playlist, else
    // beside the library file, else at home.
    void proposedFile_data()
    {
        QTest::addColumn<QString>("library"); // under the test folder, or ""
        QTest::addColumn<QString>("earlier"); // a playlist exported before, or ""
        QTest::addColumn<bool>("earlierFolderGone");
        QTest::addColumn<QString>("proposed"); // "~/" for the home folder
        QTest::newRow("no library file") << ""
                                         << "" << false << "~/Playlist.m3u8";
        QTest::newRow("library file") << "libs/mine.tgd"
                                      << "" << false << "libs/mine.m3u8";
        QTest::newRow("after an export") << "libs/mine.tgd"
                                         << "lists/other.m3u8" << false << "lists/mine.m3u8";
        QTest::newRow("no library file, after an export") << ""
                                                          << "lists/other.m3u8" << false << "lists/Playlist.m3u8";
        QTest::newRow("last folder gone") << "libs/mine.tgd"
                                          << "lists/other.m3u8" << true << "libs/mine.m3u8";
    }
    void proposedFile()
    {
        QFETCH(QString, library);
        QFETCH(QString, earlier);
        QFETCH(bool, earlierFolderGone);
        QFETCH(QString, proposed);
        QVERIFY(QDir().mkpath(path("libs")));
        QVERIFY(QDir().mkpath(path("lists")));
        if (!earlier.isEmpty())
            exportTo(path(earlier));
        if (earlierFolderGone)
            QVERIFY(QDir(path("lists")).removeRecursively());
        if (!library.isEmpty())
            currentFileName = path(library);
        const QList<DialogAnswerer::Seen> seen = exportTo(QString());
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].fileName, proposed.startsWith("~/") ? QDir::home().filePath(proposed.mid(2)) : path(proposed));
    }

    // An existing playlist is replaced once the user says so; a name without
    // a suffix gets ".m3u8".
    void replacesAnExistingPlaylist()
    {
        QVERIFY(writeFile(path("music/song.mp3"), "audio"));
        addSong("1", "Song", "A", 120, path("music/song.mp3"));
        QVERIFY(writeFile(path("music/list.m3u8"), "old"));
        const QList<DialogAnswerer::Seen> seen = exportTo(path("music/list"), {Button::Yes});
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[1].text.contains("already exists"), qPrintable(seen[1].text));
        QCOMPARE(readFile(path("music/list.m3u8")), QByteArray("#EXTM3U\n#EXTINF:-1,A - Song\nsong.mp3\n"));
        QCOMPARE(QDir(path("music")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({"list.m3u8", "song.mp3"}));
    }

    // A playlist that cannot be written: the user is told why, the old one
    // stays as it was and nothing else is left behind.
    void fullDiskKeepsTheOldPlaylist()
    {
        SmallFilesystem disk(1 << 20);
        if (!disk.problem().isEmpty())
            QSKIP(qPrintable(disk.problem()));
        QVERIFY(writeFile(path("music/song.mp3"), "audio"));
        addSong("1", "Song", "A", 120, path("music/song.mp3"));
        const QString playlist = disk.path() + "/list.m3u8";
        QVERIFY(writeFile(playlist, "old"));
        QVERIFY(disk.fillLeaving(0));
        const QList<DialogAnswerer::Seen> seen = exportTo(playlist, {Button::Yes, Button::Ok});
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[2].title, QStringLiteral("Export Playlist"));
        QCOMPARE(seen[2].text,
                 QStringLiteral("The playlist could not be written to \"%1\": the disk is full; the "
                                "file is as it was")
                     .arg(playlist));
        QCOMPARE(readFile(playlist), QByteArray("old"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({".filler", "list.m3u8"}));
        QCOMPARE(window->statusbar->currentMessage(), QString());
        // Nothing was written there, so it is not offered next time.
        QVERIFY(!QSettings().contains("playlistFolder"));
    }
};

VELMORA_TEST_MAIN_WITH(TestPlaylistExport, enterPrivateMountNamespace())
#include "tst_playlistexport.moc"
