#include "appprocess.h"
#include "songfiles.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <memory>
#include <sys/stat.h>

// The real executable given paths on its command line, as a desktop entry's
// "VelmoraSync %F" starts it, with a HOME of its own and inside this test's
// private network namespace (the program announces itself there).
class TestOpenWith : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

    QString configFile() const { return home.filePath(".config/Harrowfen/VelmoraSync.conf"); }

    // Whether the program has set its handler for SIGTERM yet: a SIGTERM sent
    // before that would kill it, which tells nothing.
    static bool catchesSigterm(qint64 pid)
    {
        QFile status(QString("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
        }
        return false;
    }

    // Whether the program has a file or folder below dir open: its scan is
    // under way there.
    static bool holdsFileIn(qint64 pid, const QString &dir)
    {
        const QString fds = QString("/proc/%1/fd").arg(pid);
        for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds + "/" + fd).startsWith(dir))
                return true;
        }
        return false;
    }

    static QByteArray waitForOutput(QProcess &app, const QByteArray &wanted)
    {
        QByteArray output;
        (void)QTest::qWaitFor(
            [&] {
                return (output += app.readAllStandardOutput()).contains(wanted) || app.state() != QProcess::Running;
            },
            20000);
        return output;
    }

private slots:
    void initTestCase()
    {
        if (!haveFfmpeg())
            QSKIP("ffmpeg is not installed");
    }

    void importsFoldersAndFilesAndOpensTheNamedLibrary()
    {
        QVERIFY(QDir().mkpath(home.filePath("Music/sub")));
        QVERIFY(makeSongFile(home.filePath("Music/sub/one.mp3"), {"title=One"}));
        QVERIFY(makeSongFile(home.filePath("loose.flac"), {"title=Loose"}));
        const QString named = home.filePath("named.tgd");
        const QString last = home.filePath("last.tgd");
        for (const QString &path : {named, last}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<TAGDESK version=\"100\">\n <Element_Data persistentID=\"1\" title=\"Old\"/>\n</TAGDESK>\n");
        }
        {
            QSettings settings(configFile(), QSettings::IniFormat);
            settings.setValue("lastFile", last);
        }

        QProcess app;
        startApp(app, home.path(),
                 {home.filePath("Music"), home.filePath("loose.flac"), named, home.filePath("nothing.txt")});
        const QByteArray output = waitForOutput(app, "Folder import: ");
        QVERIFY2(output.contains("Folder import: 2 songs in 2 files"), output.constData());
        QVERIFY(app.readAllStandardError().contains("Not a library file, music folder or audio file: "));
        stopApp(app);

        QSettings settings(configFile(), QSettings::IniFormat);
        QCOMPARE(settings.value("lastFile").toString(), named);
        QCOMPARE(settings.value("musicFolders").toStringList(), QStringList{home.filePath("Music")});
    }

    // A signal during a folder import ends the program within seconds, even
    // while the songs turn into FIFOs under the scan, whose reads could wait
    // for ever; the import's changes go to the recovery copy first.
    void signalDuringAnImportEndsTheProgram()
    {
        QTemporaryDir ownHome;
        const QString folder = ownHome.filePath("Many");
        QVERIFY(QDir().mkpath(folder));
        const QString template_ = ownHome.filePath("template.mp3");
        QVERIFY(makeSongFile(template_, {"title=Many"}));
        QFile source(template_);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        // Enough songs that the scan still runs once the program listens for signals.
        constexpr int songCount = 60000;
        QList<QByteArray> songs;
        for (int i = 0; i < songCount; ++i) {
            songs << QFile::encodeName(QString("%1/song%2.mp3").arg(folder).arg(i));
            QFile song(QFile::decodeName(songs.last()));
            QVERIFY(song.open(QIODevice::WriteOnly));
            QCOMPARE(song.write(bytes), bytes.size());
        }

        // The scan runs beside the program's start; on a fast machine it can
        // end before the program listens for signals. Then the program is
        // started again, in a home of its own, at most three times.
        QProcess app;
        std::unique_ptr<QTemporaryDir> appHome;
        bool caughtMidScan = false;
        for (int attempt = 0; attempt < 3 && !caughtMidScan; ++attempt) {
            if (app.state() != QProcess::NotRunning)
                stopApp(app);
            appHome = std::make_unique<QTemporaryDir>();
            startApp(app, appHome->path(), {folder});
            QVERIFY2(QTest::qWaitFor([&] { return catchesSigterm(app.processId()); }, 20000), "no SIGTERM handler");
            caughtMidScan = holdsFileIn(app.processId(), folder);
        }
        QVERIFY2(caughtMidScan, "the scan had ended already, three times");
        const QByteArray fifo = QFile::encodeName(ownHome.filePath("fifo"));
        for (const QByteArray &song : songs) {
            QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
            QCOMPARE(::rename(fifo.constData(), song.constData()), 0);
        }

        QElapsedTimer stopping;
        stopping.start();
        app.terminate();
        if (!app.waitForFinished(5000)) {
            app.kill();
            app.waitForFinished(5000);
            QFAIL("still running 5 s after SIGTERM");
        }
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QVERIFY2(app.readAllStandardOutput().contains("recovery copy"), "no recovery copy written");
        qInfo("ended %lld ms after SIGTERM", stopping.elapsed());
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestOpenWith)
#include "tst_openwith.moc"
