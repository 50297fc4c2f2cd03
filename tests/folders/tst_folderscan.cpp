#include "boundedrun.h"
#include "songfiles.h"
#include "testenvironment.h"
#include "folders/folderscanjob.h"
#include "folders/musicfolderscan.h"
#include "folders/songfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <linux/capability.h>
#include <optional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Root reads every folder and file whatever its mode; for as long as this
// lives, the calling thread (and only it) is held to the file modes.
class FileModesHold
{
public:
    FileModesHold()
    {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header, reduced);
    }
    ~FileModesHold() { syscall(SYS_capset, &header, saved); }

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
};

struct Scan
{
    ScanCounts counts;
    QList<FoundSong> songs;
    // Why the scan gave no result: it hung, crashed or lost count.
    QString failure;
};

QByteArray hex(const QString &text) { return text.toUtf8().toHex(); }
QString unhex(const QByteArray &digits) { return QString::fromUtf8(QByteArray::fromHex(digits)); }

// The scan in a child process under a time cap, so that a tree that makes it
// hang fails the test instead of hanging it. The child reports on standard
// output: a line of counts, then one line per song. With fileModes, it is held
// to the file modes as a user is, root or not.
Scan scan(const QStringList &paths, bool fileModes = false, qint64 timeLimitMs = 20000)
{
    const BoundedRun run = runBounded(
        [&] {
            std::optional<FileModesHold> modes;
            if (fileModes)
                modes.emplace();
            QList<FoundSong> songs;
            std::atomic_bool cancel{false};
            std::atomic<qint64> seen{0};
            const ScanCounts counts = scanMusicPaths(
                paths, [&](FoundSong &&song) { songs << song; }, cancel, seen);
            std::printf("counts %lld %lld %lld %lld %lld %lld %lld\n", qint64(seen), counts.files, counts.songs,
                        counts.unreadableFiles, counts.unreadableFolders, counts.loops, counts.unkeepableNames);
            for (const FoundSong &song : songs)
                std::printf("song %s %s %s\n", hex(song.path).constData(), hex(song.tags.title).constData(),
                            hex(song.persistentID).constData());
            return 0;
        },
        timeLimitMs, qint64(2) << 30);
    Scan result;
    const QList<QByteArray> lines = run.out.split('\n');
    const QList<QByteArray> numbers = lines.first().split(' ');
    if (!run.exited || run.exitCode != 0 || numbers.size() != 8 || numbers[0] != "counts") {
        result.failure = run.describe();
        return result;
    }
    ScanCounts &counts = result.counts;
    counts.files = numbers[2].toLongLong();
    counts.songs = numbers[3].toLongLong();
    counts.unreadableFiles = numbers[4].toLongLong();
    counts.unreadableFolders = numbers[5].toLongLong();
    counts.loops = numbers[6].toLongLong();
    counts.unkeepableNames = numbers[7].toLongLong();
    if (numbers[1].toLongLong() != counts.files)
        result.failure = QString("files seen %1, counted %2").arg(numbers[1].constData()).arg(counts.files);
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 4)
            continue;
        FoundSong song;
        song.path = unhex(fields[1]);
        song.tags.title = unhex(fields[2]);
        song.persistentID = unhex(fields[3]);
        result.songs << song;
    }
    return result;
}

} // namespace

// The walk over music folders: which files become songs, what is passed over
// and counted, and that no folder shape makes it hang or fail.
class TestFolderScan : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString song; // one real MP3, copied wherever a tree needs a song

    // Builds a tree from lines "dir:PATH", "song:PATH", "file:PATH:CONTENT",
    // "link:PATH:TARGET", "mode:PATH:OCTAL", "fifo:PATH" and "deep:PATH:NAME"
    // below root. "deep" puts a song NAME in a chain of folders below PATH so
    // deep that the song's full path is longer than PATH_MAX.
    void build(const QString &root, const QStringList &lines)
    {
        for (const QString &line : lines) {
            const QString kind = line.section(':', 0, 0);
            const QByteArray path = QFile::encodeName(root) + '/'
                + line.section(':', 1, 1)
                      .toUtf8()
                      .replace("\\n", "\n")
                      .replace("\\xe9", "\xe9")
                      .replace("\\xe0", "\xe0")
                      .replace("\\x07", "\x07");
            const QByteArray extra = line.section(':', 2).toUtf8();
            if (kind == "dir") {
                QVERIFY(::mkdir(path.constData(), 0755) == 0 || QDir().mkpath(QFile::decodeName(path)));
            } else if (kind == "song") {
                // A copy, not a hard link: the walk counts a file once however it is reached.
                QFile in(song);
                QVERIFY(in.open(QIODevice::ReadOnly));
                const QByteArray bytes = in.readAll();
                FILE *out = fopen(path.constData(), "wb");
                QVERIFY(out);
                fwrite(bytes.constData(), 1, bytes.size(), out);
                fclose(out);
            } else if (kind == "file") {
                FILE *out = fopen(path.constData(), "wb");
                QVERIFY(out);
                fwrite(extra.constData(), 1, extra.size(), out);
                fclose(out);
            } else if (kind == "link") {
                QVERIFY(::symlink(extra.constData(), path.constData()) == 0);
            } else if (kind == "mode") {
                QVERIFY(::chmod(path.constData(), extra.toUInt(nullptr, 8)) == 0);
            } else if (kind == "fifo") {
                QVERIFY(::mkfifo(path.constData(), 0644) == 0);
            } else if (kind == "deep") {
                buildDeep(path, extra);
            }
        }
    }

    // No call takes a path this long, so each folder is made relative to the
    // one above it.
    void buildDeep(const QByteArray &top, const QString &songName)
    {
        QVERIFY(::mkdir(top.constData(), 0755) == 0);
        int folder = ::open(top.constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(folder >= 0);
        const QByteArray name(200, 'd');
        for (qsizetype length = top.size(); length < PATH_MAX; length += name.size() + 1) {
            QVERIFY(::mkdirat(folder, name.constData(), 0755) == 0);
            const int below = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(folder);
            QVERIFY(below >= 0);
            folder = below;
        }
        QFile in(song);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        const int out = ::openat(folder, QFile::encodeName(songName).constData(), O_WRONLY | O_CREAT, 0644);
        ::close(folder);
        QVERIFY(out >= 0);
        QCOMPARE(::write(out, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(out);
    }

private slots:
    void initTestCase()
    {
        if (!haveFfmpeg())
            QSKIP("ffmpeg is not installed");
        song = dir.filePath("template.mp3");
        QVERIFY(makeSongFile(song, {"title=Tagged"}));
    }

    void passesOverAndCounts_data()
    {
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<int>("songs");
        QTest::addColumn<int>("unreadableFiles");
        QTest::addColumn<int>("unreadableFolders");
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("unkeepableNames");

        QTest::newRow("nested folders, other files") << QStringList{"dir:a/b/c", "song:a/one.mp3", "song:a/b/c/two.MP3",
                                                                    "file:a/cover.jpg:x", "file:notes.txt:x"}
                                                     << 2 << 0 << 0 << 0 << 0;
        QTest::newRow("zero-byte and corrupt audio")
            << QStringList{"song:good.mp3", "file:empty.mp3:", "file:empty.flac:", "file:corrupt.m4a:not an mp4 at all"}
            << 1 << 3 << 0 << 0 << 0;
        QTest::newRow("link to the parent folder")
            << QStringList{"dir:a", "song:a/one.mp3", "link:a/up:..", "link:a/again:."} << 1 << 0 << 0 << 2 << 0;
        QTest::newRow("links that loop or dangle")
            << QStringList{"song:one.mp3", "link:self.mp3:self.mp3", "link:ping:pong", "link:pong:ping",
                           "link:gone.mp3:nowhere.mp3"}
            << 1 << 0 << 0 << 3 << 0;
        QTest::newRow("file reached twice through a link")
            << QStringList{"dir:a", "song:a/one.mp3", "link:b:a", "link:alias.mp3:a/one.mp3"} << 1 << 0 << 0 << 1 << 0;
        QTest::newRow("unreadable folder")
            << QStringList{"dir:open", "dir:closed", "song:open/one.mp3", "song:closed/two.mp3", "mode:closed:000"} << 1
            << 0 << 1 << 0 << 0;
        QTest::newRow("unreadable file") << QStringList{"song:one.mp3", "song:locked.mp3", "mode:locked.mp3:000"} << 1
                                         << 1 << 0 << 0 << 0;
        QTest::newRow("newline in names")
            << QStringList{"dir:two\\nlines", "song:two\\nlines/new\\nline.mp3"} << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("name that is not UTF-8")
            << QStringList{"song:caf\\xe9.mp3", "dir:d\\xe9j\\xe0", "song:fine.mp3"} << 1 << 0 << 0 << 0 << 2;
        QTest::newRow("control character in a name")
            << QStringList{"song:bell\\x07.mp3", "song:fine.mp3"} << 1 << 0 << 0 << 0 << 1;
        // Reading any of these would wait for a writer or never end.
        QTest::newRow("FIFOs and devices behind audio names") << QStringList{"song:one.mp3",
                                                                             "fifo:pipe.mp3",
                                                                             "fifo:pipe.txt",
                                                                             "link:zero.mp3:/dev/zero",
                                                                             "link:random.flac:/dev/urandom",
                                                                             "link:null.txt:/dev/null",
                                                                             "dir:a",
                                                                             "link:a/pipe.ogg:../pipe.mp3"}
                                                              << 1 << 4 << 0 << 0 << 0;
        QTest::newRow("path longer than PATH_MAX")
            << QStringList{"song:one.mp3", "deep:deep:bottom.mp3"} << 1 << 1 << 0 << 0 << 0;
    }
    void passesOverAndCounts()
    {
        QFETCH(QStringList, tree);
        QFETCH(int, songs);
        QFETCH(int, unreadableFiles);
        QFETCH(int, unreadableFolders);
        QFETCH(int, loops);
        QFETCH(int, unkeepableNames);
        QTemporaryDir root;
        build(root.path(), tree);

        const Scan result = scan({root.path()}, true);
        QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
        QCOMPARE(result.counts.songs, songs);
        QCOMPARE(result.songs.size(), songs);
        QCOMPARE(result.counts.unreadableFiles, unreadableFiles);
        QCOMPARE(result.counts.unreadableFolders, unreadableFolders);
        QCOMPARE(result.counts.loops, loops);
        QCOMPARE(result.counts.unkeepableNames, unkeepableNames);
        for (const FoundSong &found : result.songs) {
            QVERIFY2(QFile::exists(found.path), qPrintable(found.path));
            QCOMPARE(found.path, QFileInfo(found.path).canonicalFilePath());
            QCOMPARE(found.tags.title, QString("Tagged"));
        }
        // QTemporaryDir cannot remove names that are not UTF-8.
        QProcess::execute("rm", {"-rf", "--", root.path()});
    }

    // The identity of a song is its file's canonical path: stable across
    // scans and however the file is reached, distinct between files.
    void persistentIDsFollowTheCanonicalPath()
    {
        QCOMPARE(folderPersistentIDHex("/music/a.mp3"), QString("355D896AB5C9F0BB"));

        QTemporaryDir root;
        build(root.path(), {"dir:a", "song:a/one.mp3", "song:a/two.mp3", "link:b:a"});
        const Scan first = scan({root.path()});
        const Scan viaLink = scan({root.filePath("b")});
        QVERIFY2(first.failure.isEmpty() && viaLink.failure.isEmpty(), qPrintable(first.failure + viaLink.failure));
        QCOMPARE(first.songs.size(), 2);
        QCOMPARE(viaLink.songs.size(), 2);
        QSet<QString> ids;
        for (const FoundSong &found : first.songs) {
            QCOMPARE(found.persistentID.size(), 16);
            QCOMPARE(found.persistentID, folderPersistentIDHex(QFile::encodeName(found.path)));
            ids << found.persistentID;
        }
        QCOMPARE(ids.size(), 2);
        for (const FoundSong &found : viaLink.songs)
            QVERIFY(ids.contains(found.persistentID));
    }

    void takesSingleFilesAndSkipsMissingPaths()
    {
        QTemporaryDir root;
        build(root.path(), {"song:one.mp3", "file:notes.txt:x"});
        const Scan result = scan({root.filePath("one.mp3"), root.filePath("notes.txt"), root.filePath("missing")});
        QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
        QCOMPARE(result.counts.songs, 1);
        QCOMPARE(result.counts.files, 2);
        QCOMPARE(result.songs.first().tags.title, QString("Tagged"));
    }

    void walksAFolderOf100000Entries()
    {
        QTemporaryDir root;
        build(root.path(), {"song:one.mp3", "song:two.flac.mp3"});
        for (int i = 0; i < 100000; ++i) {
            FILE *out = fopen(QFile::encodeName(root.filePath(QString("f%1.txt").arg(i))).constData(), "wb");
            QVERIFY(out);
            fclose(out);
        }
        const Scan result = scan({root.path()}, false, 60000);
        QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
        QCOMPARE(result.counts.files, 100002);
        QCOMPARE(result.counts.songs, 2);
    }

    // The worker stops within a file of being cancelled, and a job dropped
    // in mid-walk joins its thread rather than leaving it behind.
    void jobHandsOverSongsAndStops()
    {
        QTemporaryDir root;
        QStringList tree;
        for (int i = 0; i < 40; ++i)
            tree << QString("song:s%1.mp3").arg(i);
        build(root.path(), tree);

        FolderScanJob whole({root.path()});
        std::deque<FoundSong> songs;
        QElapsedTimer time;
        time.start();
        while (!whole.done() && time.elapsed() < 30000)
            whole.takeSongs(songs, 7);
        QVERIFY(whole.done());
        QCOMPARE(int(songs.size()), 40);
        QCOMPARE(whole.counts().songs, 40);
        QCOMPARE(whole.filesSeen(), 40);

        auto dropped = std::make_unique<FolderScanJob>(QStringList{root.path()});
        QTRY_VERIFY_WITH_TIMEOUT(dropped->filesSeen() > 0, 10000);
        dropped->cancel();
        time.restart();
        dropped.reset();
        QVERIFY(time.elapsed() < 5000);
    }

    // A worker stuck in a read that never returns (here, the open of a FIFO
    // that nobody writes to) cannot be stopped; dropping its job must not
    // wait for it, or the program could never quit. In a child process, so
    // that a job that does wait fails the test instead of hanging it.
    void droppingAJobDoesNotWaitForAStuckWorker()
    {
        QTemporaryDir root;
        const QByteArray fifo = QFile::encodeName(root.filePath("stuck.mp3"));
        QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
        const FolderScanJob::Scan readsTheFifo = [fifo](const QStringList &, const std::function<void(FoundSong &&)> &,
                                                        const std::atomic_bool &, std::atomic<qint64> &filesSeen) {
            ++filesSeen;
            ::close(::open(fifo.constData(), O_RDONLY));
            return ScanCounts();
        };
        const BoundedRun run = runBounded(
            [&] {
                auto job = std::make_unique<FolderScanJob>(QStringList{root.path()}, readsTheFifo);
                while (job->filesSeen() == 0)
                    QThread::msleep(1);
                QThread::msleep(100);
                if (job->done())
                    return 1;
                QElapsedTimer time;
                time.start();
                job.reset();
                std::printf("%lld\n", time.elapsed());
                return 0;
            },
            FolderScanJob::stopWaitMs + 5000, qint64(1) << 30);
        QVERIFY2(run.exited && run.exitCode == 0, qPrintable(run.describe()));
        QVERIFY2(run.out.trimmed().toLongLong() < FolderScanJob::stopWaitMs + 500, run.out.constData());
    }
};

VELMORA_TEST_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
