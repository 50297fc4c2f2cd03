#include "librarysongs.h"
#include "library/dbelement.h"
#include "runfixture.h"
#include "testenvironment.h"

#include <QDir>
#include <sched.h>
#include <cstdlib>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// A 1 MiB temporary folder of this test's own, mounted in a mount namespace
// of its own so that nothing outside sees it; empty when that cannot be done
// (not root).
QByteArray smallTempFolder;

void mountSmallTempFolder()
{
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0)
        return;
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return;
    char folder[] = "/tmp/velmora-small-tmp-XXXXXX";
    if (!::mkdtemp(folder))
        return;
    if (::mount("tmpfs", folder, "tmpfs", 0, "size=1m") != 0)
        return;
    smallTempFolder = folder;
    std::atexit([] {
        ::umount2(smallTempFolder.constData(), MNT_DETACH);
        ::rmdir(smallTempFolder.constData());
    });
}

// A stand-in song of about this size whose analysis gives 120.
QByteArray songOfSize(int bytes)
{
    QByteArray song("BPM: 120\n");
    while (song.size() < bytes)
        song += QByteArray(99, '#') + '\n';
    return song;
}

} // namespace

// Before each conversion the run checks that the temporary folder can take
// the song's WAV file beside those of the songs in hand.
class TestBeatFindTempSpace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (smallTempFolder.isEmpty())
            QSKIP("needs root to mount a small temporary folder");
    }

    void songsThatDoNotFitArePassedOver_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QStringList>("passedOver");
        // A 9-byte song is guessed at about 180 kB of WAV, a 100 kB one at
        // over 2 MB.
        QTest::newRow("too big alone") << 1 << QList<int>{9, 100000, 9} << QStringList{"2"};
        // 8 kB songs are guessed at about 350 kB each: two fit in 1 MiB, the
        // third not while the first two are in hand.
        QTest::newRow("too many at once") << 3 << QList<int>{8000, 8000, 8000} << QStringList{"3"};
        QTest::newRow("one after the other") << 1 << QList<int>{8000, 8000, 8000} << QStringList();
    }
    void songsThatDoNotFitArePassedOver()
    {
        QFETCH(int, jobs);
        QFETCH(QList<int>, sizes);
        QFETCH(QStringList, passedOver);
        RunFixture run(jobs);
        QStringList ids;
        for (int i = 0; i < sizes.size(); ++i) {
            const QString id = QString::number(i + 1);
            run.addSong(id, "Song " + id, run.standIns.addSong("s" + id, songOfSize(sizes[i])));
            ids << id;
        }
        run.select(ids);
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", smallTempFolder);
        const bool ended = run.runToEnd();
        qputenv("TMPDIR", savedTmp);
        QVERIFY(ended);

        QStringList messages;
        for (const QString &id : ids) {
            const bool over = passedOver.contains(id);
            QCOMPARE(librarySong(id).bpm(), over ? 99 : 120);
            if (over)
                messages << "beatfind short of temporary space: Song " + id;
        }
        QCOMPARE(run.messages, messages << "beatfind has completed");
        QCOMPARE(run.callKinds().count("convert"), int(ids.size() - passedOver.size()));
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QCOMPARE(QDir(QString::fromLocal8Bit(smallTempFolder))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

VELMORA_TEST_MAIN_WITH(TestBeatFindTempSpace, mountSmallTempFolder())
#include "tst_beatfindtempspace.moc"
