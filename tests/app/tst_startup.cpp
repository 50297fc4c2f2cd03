#include "appprocess.h"
#include "smallfilesystem.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <sys/stat.h>

// Starts the real executable with a HOME of its own, as a user would, inside
// this test's private network namespace (the program announces itself there).
class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

    void writeSettings(const QString &lastFile)
    {
        QSettings settings(home.filePath(".config/Harrowfen/VelmoraSync.conf"), QSettings::IniFormat);
        settings.clear();
        if (!lastFile.isEmpty())
            settings.setValue("lastFile", lastFile);
    }

    QString stateDir() const { return home.filePath(".local/state/VelmoraSync"); }

    QStringList recoveryFiles(const QString &pattern) const
    {
        return QDir(stateDir()).entryList({pattern}, QDir::Files, QDir::Name);
    }

    // Reads the program's standard output and error until both hold what is
    // looked for, or it ends, or 10 s pass; true when both were found.
    static bool waitForOutput(QProcess &app, QByteArray &out, const QByteArray &outNeedle, QByteArray &err,
                              const QByteArray &errNeedle)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            out += app.readAllStandardOutput();
            err += app.readAllStandardError();
            if (out.contains(outNeedle) && err.contains(errNeedle))
                return true;
            if (app.state() != QProcess::Running)
                return false;
            app.waitForReadyRead(50);
        }
        return false;
    }

    // Started with the test's driver plugin inside: it runs the window's
    // command slots in drive and answers message boxes with answer.
    void startDriven(QProcess &app, const QString &drive, const QString &answer)
    {
        QProcessEnvironment env;
        env.insert("QT_QPA_GENERIC_PLUGINS", "velmoradriver");
        env.insert("QT_PLUGIN_PATH", VELMORA_TEST_PLUGINS);
        env.insert("VELMORA_DRIVE", drive);
        env.insert("VELMORA_DRIVE_ANSWER", answer);
        start(app, env);
    }

    void start(QProcess &app, const QProcessEnvironment &extra = {}) { startApp(app, home.path(), {}, extra); }

    // A normal quit, and in the sanitizer build no report about the teardown.
    static void stop(QProcess &app)
    {
        stopApp(app);
        if (QTest::currentTestFailed())
            return;
        const QByteArray errors = app.readAllStandardError();
        QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("runtime error"), errors.constData());
    }

private slots:
    void reopensTheLastLibraryFile()
    {
        const QString library = home.filePath("songs.tgd");
        QFile file(library);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<TAGDESK version=\"100\">\n");
        for (int i = 0; i < 30; ++i)
            file.write(" <Element_Data persistentID=\"" + QByteArray::number(i) + "\" title=\"Song\" bpm=\"120\"/>\n");
        // Nodes the loader reports, in its second batch: proof that it read on past the first.
        file.write(" <Marker/>\n <!-- end -->\n</TAGDESK>\n");
        file.close();
        writeSettings(library);

        QProcess app;
        start(app);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += app.readAllStandardOutput()).contains("Unknown element: Marker\nQVX bug null element\n")
                || app.state() != QProcess::Running,
            10000);
        QCOMPARE(app.state(), QProcess::Running);
        stop(app);
        QSettings settings(home.filePath(".config/Harrowfen/VelmoraSync.conf"), QSettings::IniFormat);
        QCOMPARE(settings.value("lastFile").toString(), library);
    }

    void startsWithoutALibraryFile_data()
    {
        QTest::addColumn<QString>("lastFile");
        QTest::newRow("first start") << QString();
        QTest::newRow("last file missing") << home.filePath("gone.tgd");
        QTest::newRow("last file malformed") << home.filePath("broken.tgd");
        // Once opened for ever, at every start: the FIFO stayed the last file.
        QTest::newRow("last file a FIFO") << home.filePath("fifo.tgd");
    }
    void startsWithoutALibraryFile()
    {
        QFETCH(QString, lastFile);
        if (lastFile.endsWith("fifo.tgd") && !QFileInfo::exists(lastFile))
            QCOMPARE(::mkfifo(QFile::encodeName(lastFile).constData(), 0600), 0);
        QFile broken(home.filePath("broken.tgd"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<TAGDESK>");
        broken.close();
        writeSettings(lastFile);
        QProcess app;
        start(app);
        QTest::qWait(1500);
        QCOMPARE(app.state(), QProcess::Running);
        const QByteArray output = app.readAllStandardOutput();
        QCOMPARE(output.startsWith("DOMHandler problem: "), lastFile.endsWith("broken.tgd"));
        QCOMPARE(
            output.startsWith("Library file \"" + lastFile.toLocal8Bit() + "\" not read: it is not a regular file\n"),
            lastFile.endsWith("fifo.tgd"));
        stop(app);
    }

    void signalWithUnsavedChangesLeavesARecoveryCopy_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalWithUnsavedChangesLeavesARecoveryCopy()
    {
        QFETCH(int, signal);
        QDir(stateDir()).removeRecursively();
        writeSettings(QString());
        QVERIFY(QDir().mkpath(home.filePath("Music/iTunes")));
        QFile itunes(home.filePath("Music/iTunes/iTunes Music Library.xml"));
        QVERIFY(itunes.open(QIODevice::WriteOnly));
        itunes.write(
            "<plist version=\"1.0\"><dict><key>Tracks</key><dict>"
            "<key>1</key><dict><key>Persistent ID</key><string>00FF</string><key>Name</key><string>First</string>"
            "<key>Kind</key><string>MPEG audio file</string></dict>"
            "<key>2</key><dict><key>Persistent ID</key><string>0100</string><key>Name</key><string>Second</string>"
            "<key>Kind</key><string>MPEG audio file</string></dict></dict></dict></plist>\n");
        itunes.close();

        // The import leaves unsaved changes; then the signal, with nobody to answer a question.
        QProcess app;
        startDriven(app, "from_iTunesSync", QString());
        QByteArray out;
        QByteArray err;
        QVERIFY2(waitForOutput(app, out, "QVX Persistent ID found: 256", err, ""), out.constData());
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(app.processId()), signal);
        QVERIFY2(app.waitForFinished(10000), "the program still runs 10 s after the signal");
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        out += app.readAllStandardOutput();
        err += app.readAllStandardError();
        QVERIFY2(!err.contains("driver saw:"), err.constData());
        const QStringList copies = recoveryFiles("recovery-*.tgd");
        QCOMPARE(copies.size(), 1);
        const QString copy = stateDir() + "/" + copies.first();
        QVERIFY2(out.contains("Unsaved changes written to the recovery copy " + copy.toLocal8Bit() + "\n"),
                 out.constData());
        QFile written(copy);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray library = written.readAll();
        QVERIFY2(library.contains("persistentID=\"255\" title=\"First\"") && library.contains("title=\"Second\""),
                 library.constData());

        // The next start offers it; declined, it is kept and not offered again.
        QProcess next;
        startDriven(next, QString(), "No");
        out.clear();
        err.clear();
        QVERIFY2(
            waitForOutput(next, out, "Recovery copy kept as ", err,
                          "driver saw: VelmoraSync was closed with unsaved changes. Open the recovered library?\n"),
            (out + err).constData());
        stop(next);
        QCOMPARE(recoveryFiles("recovery-*.tgd"), QStringList());
        QCOMPARE(recoveryFiles("declined-*.tgd").size(), 1);

        QProcess third;
        startDriven(third, QString(), "No");
        QTest::qWait(1500);
        stop(third);
        QVERIFY(!third.readAllStandardError().contains("driver saw:"));
        QDir(stateDir()).removeRecursively();
        QFile::remove(itunes.fileName());
    }

    void signalDuringTheRecoveryQuestionKeepsTheCopy()
    {
        // Nobody answered: the copy stays on offer for the next start.
        QDir(stateDir()).removeRecursively();
        QVERIFY(QDir().mkpath(stateDir()));
        QFile copy(stateDir() + "/recovery-20260101-000000.tgd");
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write("<TAGDESK version=\"100\"/>\n");
        copy.close();
        writeSettings(QString());
        QProcess app;
        startDriven(app, QString(), QString());
        QByteArray out;
        QByteArray err;
        QVERIFY2(waitForOutput(app, out, "", err, "driver saw: VelmoraSync was closed with unsaved changes."),
                 err.constData());
        stop(app);
        QCOMPARE(recoveryFiles("*.tgd"), QStringList{"recovery-20260101-000000.tgd"});
        QDir(stateDir()).removeRecursively();
    }

    void severalRecoveryCopiesAreOfferedOnce()
    {
        QDir(stateDir()).removeRecursively();
        QVERIFY(QDir().mkpath(stateDir()));
        for (const char *name :
             {"recovery-20260101-000000.tgd", "recovery-20260101-000000-2.tgd", "recovery-20260101-000000-10.tgd"}) {
            QFile copy(stateDir() + "/" + name);
            QVERIFY(copy.open(QIODevice::WriteOnly));
            copy.write("<TAGDESK version=\"100\"/>\n");
        }
        writeSettings(QString());
        QProcess app;
        startDriven(app, QString(), "No");
        QByteArray out;
        QByteArray err;
        // The newest, "-10", is the one asked about.
        QVERIFY2(
            waitForOutput(app, out,
                          "Recovery copy kept as " + stateDir().toLocal8Bit() + "/declined-20260101-000000-10.tgd\n",
                          err, "driver saw: VelmoraSync was closed with unsaved changes."),
            (out + err).constData());
        QTest::qWait(500);
        stop(app);
        err += app.readAllStandardError();
        QCOMPARE(err.count("driver saw:"), 1);
        QCOMPARE(recoveryFiles("*.tgd"),
                 (QStringList{"declined-20260101-000000-10.tgd", "declined-20260101-000000-2.tgd",
                              "declined-20260101-000000.tgd"}));
        QDir(stateDir()).removeRecursively();
    }

    void recoveryCopyOntoAFullDiskIsAFailure()
    {
        SmallFilesystem disk(1 << 20);
        if (!disk.problem().isEmpty())
            QSKIP(qPrintable(disk.problem()));
        QDir(stateDir()).removeRecursively();
        QVERIFY(QDir().mkpath(home.filePath(".local/state")));
        QVERIFY(QFile::link(disk.path(), stateDir()));
        QVERIFY(disk.fillLeaving(0));
        writeSettings(QString());
        QVERIFY(QDir().mkpath(home.filePath("Music/iTunes")));
        QFile itunes(home.filePath("Music/iTunes/iTunes Music Library.xml"));
        QVERIFY(itunes.open(QIODevice::WriteOnly));
        itunes.write("<plist version=\"1.0\"><dict><key>Tracks</key><dict>"
                     "<key>1</key><dict><key>Persistent ID</key><string>00FF</string><key>Name</key>"
                     "<string>First</string><key>Kind</key><string>MPEG audio file</string></dict>"
                     "</dict></dict></plist>\n");
        itunes.close();

        QProcess app;
        startDriven(app, "from_iTunesSync", QString());
        QByteArray out;
        QByteArray err;
        QVERIFY2(waitForOutput(app, out, "QVX Persistent ID found: 255", err, ""), out.constData());
        app.terminate();
        QVERIFY2(app.waitForFinished(10000), "the program still runs 10 s after the signal");
        err += app.readAllStandardError();
        out += app.readAllStandardOutput();
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 1);
        QVERIFY2(err.contains("Unsaved changes lost: ") && err.contains("the disk is full"), err.constData());
        QVERIFY2(!out.contains("Unsaved changes written"), out.constData());
        QCOMPARE(QDir(disk.path() + "/VelmoraSync").entryList(QDir::Files | QDir::Hidden), QStringList());
        QFile::remove(stateDir());
        QFile::remove(itunes.fileName());
    }

    void outOfRangeBpmsInALibraryFileGiveOneMessage()
    {
        const QString library = home.filePath("wild.tgd");
        QFile file(library);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<TAGDESK version=\"100\">\n");
        for (int i = 0; i < 500; ++i)
            file.write(" <Element_Data persistentID=\"" + QByteArray::number(1000 + i) + "\" title=\"Song "
                       + QByteArray::number(1000 + i) + "\" bpm=\"300\"/>\n");
        file.write(" <Element_Data persistentID=\"9\" title=\"Kept\" bpm=\"120\"/>\n</TAGDESK>\n");
        file.close();
        writeSettings(library);
        QProcess app;
        startDriven(app, QString(), QString());
        QByteArray out;
        QByteArray err;
        QVERIFY2(waitForOutput(app, out,
                               "500 songs in \"wild.tgd\" had a BPM outside 50-200, now none: Song 1000, Song 1001, "
                               "Song 1002, Song 1003, Song 1004 and 495 more\n",
                               err, "driver saw: 500 songs in \"wild.tgd\""),
                 (out + err).constData());
        QTest::qWait(500);
        stop(app);
        err += app.readAllStandardError();
        QCOMPARE(err.count("driver saw:"), 1);
    }
};

VELMORA_TEST_MAIN_WITH(TestStartup, (enterPrivateNetworkNamespace(), enterPrivateMountNamespace()))
#include "tst_startup.moc"
