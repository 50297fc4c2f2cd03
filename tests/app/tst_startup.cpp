#include "testenvironment.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

// Starts the real executable with a HOME of its own, as a user would, inside
// this test's private network namespace (the program announces itself there).
class TestStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

    QString executable() const { return qEnvironmentVariable("VELMORA_BIN") + QStringLiteral("/VelmoraSync"); }

    void writeSettings(const QString &lastFile)
    {
        QSettings settings(home.filePath(".config/Harrowfen/VelmoraSync.conf"), QSettings::IniFormat);
        settings.clear();
        if (!lastFile.isEmpty())
            settings.setValue("lastFile", lastFile);
    }

    void start(QProcess &app)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(env);
        app.start(executable(), {});
        QVERIFY(app.waitForStarted(5000));
    }

    // SIGTERM ends the program as a normal quit does: exit code 0, and in the
    // sanitizer build no report about the teardown.
    static void stop(QProcess &app)
    {
        app.terminate();
        if (!app.waitForFinished(10000))
            app.kill();
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
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
        QTRY_VERIFY_WITH_TIMEOUT((output += app.readAllStandardOutput()).contains("Unknown element: Marker\nQVX bug null element\n")
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
    }
    void startsWithoutALibraryFile()
    {
        QFETCH(QString, lastFile);
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
        stop(app);
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestStartup)
#include "tst_startup.moc"
