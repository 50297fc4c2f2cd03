// The real programs: VelmoraSync started with a HOME of its own whose
// settings name a library file, found by velmora-phone listen and synced by
// velmora-phone sync. All inside this test's own network namespace.
#include "appprocess.h"
#include "filebytes.h"
#include "songfiles.h"
#include "testenvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QtEndian>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

QString program(const char *name) { return qEnvironmentVariable("VELMORA_BIN") + "/" + name; }

struct Phone
{
    int exitCode;
    QByteArray out;
};

Phone phone(const QStringList &arguments)
{
    QProcess process;
    process.start(program("velmora-phone"), arguments);
    if (!process.waitForFinished(30000))
        return {-1, {}};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

} // namespace

class TestSyncEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    QProcess app;

    // Starts the application with settings whose lastFile names libraryFile.
    void startWithLibrary(const QString &libraryFile)
    {
        const QString config = home.filePath(".config/Harrowfen");
        QVERIFY(QDir().mkpath(config));
        QVERIFY(writeFile(config + "/VelmoraSync.conf", "[General]\nlastFile=" + libraryFile.toUtf8() + "\n"));
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startApp(app, home.path());
    }

private slots:
    void cleanup()
    {
        if (app.state() != QProcess::NotRunning)
            stopApp(app);
    }

    void discoveredThenSynced()
    {
        const QString library = home.filePath("songs.tgd");
        QVERIFY(writeFile(
            library,
            "<TAGDESK version=\"100\">\n"
            " <Element_Data persistentID=\"1001\" title=\"Alpha\" bpm=\"120\" iTunes=\"false\" iPhone=\"true\"/>\n"
            " <Element_Data persistentID=\"1002\" title=\"Beta\" bpm=\"128\" iTunes=\"false\" iPhone=\"true\"/>\n"
            " <Element_Data persistentID=\"1003\" title=\"Gamma\" bpm=\"90\" iTunes=\"false\" iPhone=\"false\"/>\n"
            "</TAGDESK>\n"));
        const QString songs = home.filePath("phone.tsv");
        QVERIFY(writeFile(songs,
                          "PersistentID\tUserChanged\tTitle\tArtist\tBPM\tOnDevice\n"
                          "1002\tfalse\tBeta\tB\t100\ttrue\n"
                          "1003\ttrue\tGamma\tG\t95\ttrue\n"
                          "2000\tfalse\tNew\tN\t120.7\t1\n"
                          "ABC\tfalse\tHex\tH\t100\ttrue\n"));
        startWithLibrary(library);

        const Phone heard = phone({"listen", "--timeout", "5"});
        QCOMPARE(heard.exitCode, 0);
        QCOMPARE(heard.out, QByteArray("127.0.0.1\tmagic983\n"));

        // 1001: loaded, so the phone is taken to hold 0. 1002: the desktop's
        // BPM stands. 1003: changed on the phone, taken. 2000: new, 120.7
        // kept as 120 while the phone holds no integer. ABC: new, in step.
        const Phone synced = phone({"sync", "127.0.0.1", "--version", "3", "--songs", songs, "--want"});
        QCOMPARE(synced.exitCode, 0);
        QCOMPARE(synced.out, QByteArray("1001\t120\n1002\t128\n2000\t120\n"));

        // Nothing is sent back twice that a song of the phone settled.
        const Phone again = phone({"sync", "127.0.0.1", "--want"});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, QByteArray("1001\t120\n1002\t128\n2000\t120\n"));

        // A phone speaking raw bytes with a pause in between: CMD_VERSION 9,
        // then the unknown code 7, then the list.
        const Phone raw =
            phone({"sync", "127.0.0.1", "--raw", "01000000 09000000", "--pause", "200", "--raw", "07000000", "--want"});
        QCOMPARE(raw.exitCode, 0);
        QCOMPARE(raw.out, again.out);
        stopApp(app);
    }

    // A phone whose library holds the same songs under IDs of its own: the
    // desktop's BPMs come back under the phone's IDs.
    void folderPhoneGetsBpmsUnderItsOwnIDs()
    {
        if (!haveFfmpeg())
            QSKIP("ffmpeg is needed to make the song files");
        const QString music = home.filePath("Music");
        QVERIFY(QDir().mkpath(music + "/LP"));
        QVERIFY(makeSongFile(music + "/LP/one.flac", {"title=Alpha", "artist=Band", "album=LP"}));
        QVERIFY(makeSongFile(music + "/two.mp3", {"title=Beta", "artist=The Band"}));
        const QString library = home.filePath("folder.tgd");
        QVERIFY(writeFile(library,
                          "<TAGDESK version=\"100\">\n"
                          " <Element_Data persistentID=\"11\" title=\"Alpha\" bpm=\"121\" artist=\"Band\" "
                          "albumTitle=\"LP\" iTunes=\"true\" iPhone=\"false\"/>\n"
                          " <Element_Data persistentID=\"12\" title=\"beta\" bpm=\"134\" artist=\"Band\" "
                          "albumTitle=\"LP\" iTunes=\"true\" iPhone=\"false\"/>\n"
                          "</TAGDESK>\n"));
        startWithLibrary(library);
        QCOMPARE(phone({"listen", "--timeout", "5"}).exitCode, 0);

        const Phone synced = phone({"sync", "127.0.0.1", "--folder", music, "--want"});
        QCOMPARE(synced.exitCode, 0);
        // The phone's ID of a file: SHA-256 of "velmora-phone:" and its path
        // in the folder, the first 8 bytes big-endian, top bit cleared.
        auto phoneID = [](const QByteArray &path) {
            const QByteArray digest = QCryptographicHash::hash("velmora-phone:" + path, QCryptographicHash::Sha256);
            return QByteArray::number(qFromBigEndian<quint64>(digest.constData()) & 0x7fffffffffffffffULL);
        };
        QList<QByteArray> expected{phoneID("LP/one.flac") + "\t121\n", phoneID("two.mp3") + "\t134\n"};
        QList<QByteArray> received = synced.out.split('\n');
        received.removeAll(QByteArray());
        for (QByteArray &line : received)
            line += '\n';
        std::sort(expected.begin(), expected.end());
        std::sort(received.begin(), received.end());
        QCOMPARE(received, expected);
        stopApp(app);
    }

    void silentAfterAFailedReopenButStillServes()
    {
        startWithLibrary(home.filePath("gone.tgd"));
        const Phone heard = phone({"listen", "--timeout", "2.5"});
        QCOMPARE(heard.exitCode, 1);
        QVERIFY(heard.out.isEmpty());
        const Phone synced = phone({"sync", "127.0.0.1", "--want"});
        QCOMPARE(synced.exitCode, 0);
        QVERIFY(synced.out.isEmpty());
        stopApp(app);
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestSyncEndToEnd)
#include "tst_syncendtoend.moc"
