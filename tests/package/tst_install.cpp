#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace {

const QString appId = QStringLiteral("example.harrowfen.VelmoraSync");
constexpr int clickTempo = 126;

struct Run
{
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 60000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.errors = "did not finish in time: " + program.toLocal8Bit() + "\n";
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.output = process.readAllStandardOutput();
    result.errors += process.readAllStandardError();
    return result;
}

} // namespace

// The installed tree, as `cmake --install` lays it out under a prefix of /usr
// (what the Debian package holds), and the installed program at work in it.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir destdir;
    QString usr;

    QString installed(const QString &path) const { return usr + QLatin1Char('/') + path; }

    // Pages are installed gzipped, as Debian keeps them; a plain one counts as well.
    QString manualPage(const QString &page) const
    {
        const QString plain = installed("share/man/man1/" + page + ".1");
        return QFileInfo::exists(plain) ? plain : plain + ".gz";
    }

    // velmora-bpm is installed wherever it is built.
    static QStringList programsWithPages()
    {
        QStringList programs{"VelmoraSync", "velmora-phone", "pcmdump", "beatfind"};
        if (qEnvironmentVariableIsSet("VELMORA_BUILDS_BPM"))
            programs << "velmora-bpm";
        return programs;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(destdir.isValid());
        usr = destdir.filePath(QStringLiteral("usr"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destdir.path());
        const Run install =
            run(QStringLiteral("cmake"), {"--install", qEnvironmentVariable("VELMORA_BUILD"), "--prefix", "/usr"}, env);
        QVERIFY2(install.exitCode == 0, install.errors.constData());
    }

    void expectedFilesAreInstalled_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        QTest::newRow("app") << "bin/VelmoraSync" << true;
        QTest::newRow("phone stand-in") << "bin/velmora-phone" << true;
        if (qEnvironmentVariableIsSet("VELMORA_BUILDS_BPM"))
            QTest::newRow("batch command line") << "bin/velmora-bpm" << true;
        QTest::newRow("converter") << "libexec/velmorasync/pcmdump" << true;
        QTest::newRow("analyser") << "libexec/velmorasync/beatfind" << true;
        QTest::newRow("launcher entry") << "share/applications/" + appId + ".desktop" << false;
        QTest::newRow("software-centre data") << "share/metainfo/" + appId + ".metainfo.xml" << false;
        QTest::newRow("file type") << "share/mime/packages/velmorasync.xml" << false;
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/" + appId + ".svg" << false;
        for (const QString &page : programsWithPages())
            QTest::newRow(qPrintable(page + "(1)")) << manualPage(page).mid(usr.size() + 1) << false;
    }
    void expectedFilesAreInstalled()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo file(installed(path));
        QVERIFY2(file.isFile(), qPrintable(path));
        QCOMPARE(file.isExecutable(), executable);
    }

    // Nothing lands beside the FHS directories (a top-level Resources/ once did).
    void nothingOutsideTheHierarchy()
    {
        QStringList top = QDir(destdir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(top, QStringList{"usr"});
        top = QDir(usr).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(top, (QStringList{"bin", "libexec", "share"}));
    }

    void iconRendersHaveTheirSize_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("%d", size) << size;
    }
    void iconRendersHaveTheirSize()
    {
        QFETCH(int, size);
        QImageReader png(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId)));
        QCOMPARE(png.format(), QByteArray("png"));
        QCOMPARE(png.size(), QSize(size, size));
    }

    // What the desktop entry names must be there: its program and its icon.
    void launcherEntryNamesInstalledFiles()
    {
        QFile file(installed("share/applications/" + appId + ".desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QString> entry;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            entry.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        const QString exec = entry.value(QStringLiteral("Exec"));
        QCOMPARE(exec, QStringLiteral("VelmoraSync %F"));
        QVERIFY(QFileInfo(installed("bin/" + exec.section(QLatin1Char(' '), 0, 0))).isExecutable());
        const QString icon = entry.value(QStringLiteral("Icon"));
        QVERIFY(QFileInfo::exists(installed("share/icons/hicolor/scalable/apps/" + icon + ".svg")));
        const QString types = entry.value(QStringLiteral("MimeType"));
        QVERIFY2(types.contains(QStringLiteral("application/x-velmorasync-library")), qPrintable(types));
        QVERIFY2(types.contains(QStringLiteral("inode/directory")), qPrintable(types));
    }

    // The shared MIME database built from the installed package file knows
    // library files by name and by their root element.
    void fileTypeIsKnownByNameAndContent()
    {
        const QString mime = installed(QStringLiteral("share/mime"));
        const Run update = run(QStringLiteral("update-mime-database"), {mime});
        QVERIFY2(update.exitCode == 0, update.errors.constData());
        QFile globs(mime + QStringLiteral("/globs2"));
        QVERIFY(globs.open(QIODevice::ReadOnly));
        QVERIFY(globs.readAll().contains(":application/x-velmorasync-library:*.tgd"));
        QFile namespaces(mime + QStringLiteral("/XMLnamespaces"));
        QVERIFY(namespaces.open(QIODevice::ReadOnly));
        QVERIFY(namespaces.readAll().contains(" TAGDESK application/x-velmorasync-library"));
    }

    void manualPagesRenderCleanly_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &page : programsWithPages())
            QTest::newRow(qPrintable(page)) << page;
    }
    void manualPagesRenderCleanly()
    {
        QFETCH(QString, page);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        env.insert(QStringLiteral("MANPAGER"), QStringLiteral("cat"));
        const Run man = run(QStringLiteral("man"), {"--warnings", "-l", manualPage(page)}, env);
        QCOMPARE(man.exitCode, 0);
        QVERIFY2(man.errors.isEmpty(), man.errors.constData());
        QVERIFY(man.output.contains(page.toUpper().toLatin1() + "(1)"));
    }

    // Answered on a terminal with no display at all.
    void versionAndHelpNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--version") << "--version"
                                   << "^VelmoraSync 1\\.0\\.0\\n$";
        QTest::newRow("-v") << "-v"
                            << "^VelmoraSync 1\\.0\\.0\\n$";
        QTest::newRow("--help") << "--help"
                                << "^Usage: \\S*VelmoraSync \\[options\\] \\[files or folders\\.\\.\\.\\]\\n";
        QTest::newRow("-h") << "-h"
                            << "\\n  -v, --version +Displays version information\\.\\n";
    }
    void versionAndHelpNeedNoDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        const Run app = run(installed(QStringLiteral("bin/VelmoraSync")), {option}, env);
        QCOMPARE(app.exitCode, 0);
        QVERIFY2(QRegularExpression(expected).match(QString::fromLocal8Bit(app.output)).hasMatch(),
                 app.output.constData());
    }

    // The installed program finds pcmdump and beatfind in libexec/ and
    // analyses a song through them. A driver loaded into the unchanged
    // program plays the user: From iTunes, select all, BeatFind, Yes.
    void installedProgramAnalysesASong()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Music/iTunes")));
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("tmp")));
        // Short decaying 2 kHz clicks at a known tempo, as an MP3.
        const QString song = home.filePath(QStringLiteral("click track.mp3"));
        const QString clicks =
            QStringLiteral("aevalsrc='if(lt(mod(t,60/%1),0.02),exp(-367*mod(t,60/%1))*sin(2*PI*2000*t),0)'"
                           ":s=44100:d=30")
                .arg(clickTempo);
        const Run ffmpeg = run(
            QStringLiteral("ffmpeg"),
            {"-nostdin", "-v", "error", "-f", "lavfi", "-i", clicks, "-codec:a", "libmp3lame", "-b:a", "192k", song});
        QVERIFY2(ffmpeg.exitCode == 0, ffmpeg.errors.constData());

        QFile itunes(home.filePath(QStringLiteral("Music/iTunes/iTunes Music Library.xml")));
        QVERIFY(itunes.open(QIODevice::WriteOnly));
        itunes.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                                    "<key>Tracks</key>\n<dict>\n<key>1</key>\n<dict>\n"
                                    "<key>Track ID</key><integer>1</integer>\n"
                                    "<key>Name</key><string>Click Track</string>\n"
                                    "<key>Persistent ID</key><string>8C1D2E3F40516273</string>\n"
                                    "<key>Location</key><string>%1</string>\n"
                                    "</dict>\n</dict>\n</dict>\n</plist>\n")
                         .arg(QUrl::fromLocalFile(song).toString(QUrl::FullyEncoded).toHtmlEscaped())
                         .toUtf8());
        itunes.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("velmorabeatfinddriver"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), qEnvironmentVariable("VELMORA_DRIVER_PLUGINS"));
        const QString app = installed(QStringLiteral("bin/VelmoraSync"));
        const Run session = run(app, {}, env, 180000);
        const QByteArray output = session.output;
        QVERIFY2(session.exitCode == 0, (output + session.errors).constData());
        QVERIFY2(output.contains("driver: Click Track\t" + QByteArray::number(clickTempo) + "\n"), output.constData());
        // The program names the folder it runs from; its helpers told what they did.
        QVERIFY2(output.contains("AppleScript: " + QFile::encodeName(installed(QStringLiteral("bin")))),
                 output.constData());
        QVERIFY2(output.contains("Saw: SampleRate: 44100"), output.constData());
        QVERIFY2(output.contains("Saw: BPM: " + QByteArray::number(clickTempo)), output.constData());
        // No WAV file is left behind.
        QCOMPARE(QDir(home.filePath(QStringLiteral("tmp"))).entryList({QStringLiteral("pcmdump-*")}, QDir::AllEntries),
                 QStringList());
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestInstall)
#include "tst_install.moc"
