#include "appprocess.h"
#include "songfiles.h"
#include "testenvironment.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

// The real executable given paths on its command line, as a desktop entry's
// "VelmoraSync %F" starts it, with a HOME of its own and inside this test's
// private network namespace (the program announces itself there).
class TestOpenWith : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

    QString configFile() const { return home.filePath(".config/Harrowfen/VelmoraSync.conf"); }

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
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestOpenWith)
#include "tst_openwith.moc"
