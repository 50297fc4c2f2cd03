#include "audiofixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace AudioFixtures;

namespace {

bool putContents(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString childProgram() { return QStringLiteral(WRITEBPMCHILD); }

} // namespace

// The writer runs in a child process here, so that it can be killed at any
// moment of a write, or be given a disk of its own that fills up.
class TestBpmWriteCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedWriteLeavesEachFileOldOrNew()
    {
        QTemporaryDir folder;
        // Files long enough that copying and saving them takes a while.
        const QList<QPair<QString, QStringList>> kinds{
            {"one.mp3", {"-id3v2_version", "3", "-metadata", "title=One"}},
            {"two.flac", {"-metadata", "title=Two"}},
            {"three.wav", {"-metadata", "title=Three"}},
            {"four.m4a", {"-c:a", "aac", "-metadata", "title=Four"}},
        };
        QStringList paths;
        QMap<QString, QByteArray> oldBytes;
        QMap<QString, QByteArray> newBytes;
        for (const auto &kind : kinds) {
            const QString path = folder.filePath(kind.first);
            QVERIFY(make(path, kind.second + QStringList{"-t", "20"}));
            paths << path;
            oldBytes.insert(kind.first, contents(path));
        }
        // The new files, as a write that is left alone makes them.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(AudioFixtures::run(childProgram(), QStringList{"150"} + paths)
                == "written\nwritten\nwritten\nwritten\n");
        const qint64 fullRunUs = clock.nsecsElapsed() / 1000;
        for (const auto &kind : kinds)
            newBytes.insert(kind.first, contents(folder.filePath(kind.first)));

        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u, one full run %lld us", seed, fullRunUs);
        QRandomGenerator random(seed);
        int leftovers = 0;
        int newFiles = 0;
        for (int round = 0; round < 30; ++round) {
            for (const auto &kind : kinds)
                QVERIFY(putContents(folder.filePath(kind.first), oldBytes.value(kind.first)));
            QProcess child;
            child.start(childProgram(), QStringList{"150"} + paths);
            QVERIFY(child.waitForStarted());
            QThread::usleep(random.bounded(quint32(fullRunUs + 1)));
            child.kill();
            QVERIFY(child.waitForFinished(10000));

            for (const QString &entry : folderEntries(folder.path())) {
                const QString path = folder.filePath(entry);
                if (entry.startsWith('.')) {
                    // Killed between naming its copy and the rename: the copy is complete.
                    QVERIFY2(entry.endsWith(".bpmwrite"), qPrintable(entry));
                    const QString original = entry.mid(1).chopped(int(strlen(".bpmwrite")));
                    QVERIFY2(contents(path) == newBytes.value(original), qPrintable(entry));
                    ++leftovers;
                    continue;
                }
                const QByteArray now = contents(path);
                QVERIFY2(now == oldBytes.value(entry) || now == newBytes.value(entry),
                         qPrintable(
                             QStringLiteral("round %1: %2 is neither the old nor the new file").arg(round).arg(entry)));
                newFiles += now == newBytes.value(entry) ? 1 : 0;
            }
        }
        qInfo("%d files new after a kill, %d copies left behind", newFiles, leftovers);

        // The next write of each file clears whatever a killed one left.
        QCOMPARE(AudioFixtures::run(childProgram(), QStringList{"150"} + paths),
                 QByteArray("written\nwritten\nwritten\nwritten\n"));
        QStringList names;
        for (const auto &kind : kinds) {
            names << kind.first;
            QCOMPARE(contents(folder.filePath(kind.first)), newBytes.value(kind.first));
        }
        names.sort();
        QCOMPARE(folderEntries(folder.path()), names);
    }

    void fullDiskLeavesTheOriginal_data()
    {
        QTest::addColumn<int>("freeBytes");
        QTest::newRow("no room for the copy") << 16384;
        // The copy fits exactly; the ID3 chunk added to it does not.
        QTest::newRow("no room for the new tag") << 65536;
    }
    void fullDiskLeavesTheOriginal()
    {
        QFETCH(int, freeBytes);
        QTemporaryDir folder;
        const QString source = folder.filePath("source.wav");
        // 65,536 bytes: whole pages, so anything added needs one more.
        QVERIFY(make(source,
                     {"-af", "atrim=end_sample=32746", "-ac", "1", "-c:a", "pcm_s16le", "-fflags", "+bitexact",
                      "-map_metadata", "-1"}));
        QCOMPARE(QFileInfo(source).size(), 65536);
        const QString disk = folder.filePath("disk");
        QVERIFY(QDir().mkdir(disk));
        // A small disk of its own, in a mount namespace of its own.
        const QString script = QStringLiteral(R"(
set -e
mount -t tmpfs -o size=1m tmpfs "$1"
cp "$3" "$1/song.wav"
before=$(md5sum < "$1/song.wav")
fallocate -l $(( $(stat -f -c '%a*%S' "$1") - $4 )) "$1/filler"
"$2" 120 "$1/song.wav" || true
after=$(md5sum < "$1/song.wav")
[ "$before" = "$after" ] && echo unchanged
ls -A "$1"
)");
        QProcess shell;
        shell.start("unshare",
                    {"--mount", "--propagation", "private", "sh", "-c", script, "sh", disk, childProgram(), source,
                     QString::number(freeBytes)});
        QVERIFY(shell.waitForFinished(60000));
        if (shell.exitCode() != 0)
            QSKIP(qPrintable("no private disk here: " + shell.readAllStandardError()));
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()),
                 QStringLiteral("the disk is full\nunchanged\nfiller\nsong.wav\n"));
    }
};

QTEST_GUILESS_MAIN(TestBpmWriteCrash)
#include "tst_bpmwritecrash.moc"
