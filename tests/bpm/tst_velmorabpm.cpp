#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// velmora-bpm on generated audio files: what it prints, where, and how it ends.
class TestVelmoraBpm : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString program;
    QString tmp;

    QString path(const QString &name) const { return dir.filePath(name); }

    // A click track: a 50 ms tone every 60/bpm seconds.
    bool makeClicks(const QString &name, int bpm, int seconds)
    {
        const double period = 60.0 / bpm;
        const QString filter =
            QStringLiteral(
                "sine=frequency=1000:duration=0.05:sample_rate=44100,apad=whole_dur=%1,aloop=loop=%2:size=%3")
                .arg(period)
                .arg(int(seconds / period))
                .arg(int(period * 44100));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-loglevel", "error", "-y", "-f", "lavfi", "-i", filter, "-ac", "2", path(name)});
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 && QFile::exists(path(name));
    }

    // As root the program runs as nobody, so that a file without read
    // permission is one it cannot read.
    Run run(const QStringList &arguments, int timeoutMs = 120000)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        process.setProcessEnvironment(environment);
        if (::geteuid() == 0) {
            process.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        }
        process.start(program, arguments);
        Run result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        result.err = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    QStringList wavFiles() const { return QDir(tmp).entryList({"*.wav"}, QDir::Files | QDir::Hidden); }

private slots:
    void initTestCase()
    {
        program = qEnvironmentVariable("VELMORA_BIN") + QStringLiteral("/velmora-bpm");
        if (!QFile::exists(program))
            QSKIP("velmora-bpm is not built");
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is missing");
        QVERIFY(dir.isValid());
        // Every level must be open to the unprivileged user the program runs as.
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
        QVERIFY(QDir(dir.path()).mkpath("tmp"));
        tmp = path("tmp");
        QVERIFY(QFile::setPermissions(tmp, QFileDevice::Permissions(0x7777)));
        QVERIFY(QDir(dir.path()).mkpath("album/disc 2"));
        QVERIFY(QDir(dir.path()).mkpath("no audio"));
        QFile(path("no audio/cover.jpg")).open(QIODevice::WriteOnly);
        QVERIFY(makeClicks("album/a 120.mp3", 120, 20));
        QVERIFY(makeClicks("album/disc 2/b 100.m4a", 100, 20));
        QVERIFY(makeClicks("c 90, quoted \".mp3", 90, 20));
        QFile(path("album/notes.txt")).open(QIODevice::WriteOnly);
        QFile corrupt(path("corrupt.mp3"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray(20000, '\x5a'));
        corrupt.close();
        QVERIFY(QFile::copy(path("album/a 120.mp3"), path("unreadable.mp3")));
        QVERIFY(QFile::setPermissions(path("unreadable.mp3"), QFileDevice::WriteOwner));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.mp3")).constData(), 0666), 0);
    }

    // Files and folders in the order given, a folder's files sorted; the
    // same lines whether the files are analysed one at a time or side by side.
    void resultsInTheOrderGiven_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("expected"); // %1 stands for the test folder
        const QString text = "90\t-\t%1/c 90, quoted \".mp3\n"
                             "120\t-\t%1/album/a 120.mp3\n"
                             "100\t-\t%1/album/disc 2/b 100.m4a\n";
        QTest::newRow("one at a time") << QStringList{"-j", "1"} << text;
        QTest::newRow("three at once") << QStringList{"-j", "3"} << text;
        QTest::newRow("csv") << QStringList{"--csv"}
                             << "bpm,alternative,path\n"
                                "90,,\"%1/c 90, quoted \"\".mp3\"\n"
                                "120,,%1/album/a 120.mp3\n"
                                "100,,%1/album/disc 2/b 100.m4a\n";
        QTest::newRow("range") << QStringList{"--range", "50-100"}
                               << "90\t-\t%1/c 90, quoted \".mp3\n"
                                  "60\t120\t%1/album/a 120.mp3\n"
                                  "100\t-\t%1/album/disc 2/b 100.m4a\n";
    }
    void resultsInTheOrderGiven()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, expected);
        const Run result = run(options << path("c 90, quoted \".mp3") << path("album"));
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, expected.arg(dir.path()));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(wavFiles(), QStringList());
    }

    // Each bad input is named on standard error with its reason; the good
    // file beside it is still analysed. Settings that make no sense stop the
    // run before it starts.
    void badInputs_data()
    {
        QTest::addColumn<QStringList>("arguments"); // %1 stands for the test folder
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing path") << QStringList{"%1/gone.mp3"} << "%1/gone.mp3: no such file or folder" << 1;
        QTest::newRow("folder without audio")
            << QStringList{"%1/no audio"} << "%1/no audio: a folder without audio files" << 1;
        QTest::newRow("unreadable file") << QStringList{"%1/unreadable.mp3"}
                                         << "%1/unreadable.mp3: cannot be read (permission denied)" << 1;
        QTest::newRow("corrupt file") << QStringList{"%1/corrupt.mp3"} << "%1/corrupt.mp3: cannot be decoded: " << 1;
        QTest::newRow("FIFO") << QStringList{"%1/fifo.mp3"} << "%1/fifo.mp3: not a regular file" << 1;
        QTest::newRow("-j 0") << QStringList{"-j", "0"} << "-j wants a number of jobs from 1 to 256, not \"0\"" << 2;
        QTest::newRow("-j 10000") << QStringList{"-j", "10000"} << "-j wants a number of jobs from 1 to 256" << 2;
        QTest::newRow("--range 200-50") << QStringList{"--range", "200-50"} << "--range wants MIN-MAX" << 2;
        QTest::newRow("--range 30-100") << QStringList{"--range", "30-100"} << "--range wants MIN-MAX" << 2;
        QTest::newRow("unknown option") << QStringList{"--fast"} << "Unknown option 'fast'." << 2;
    }
    void badInputs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFETCH(int, exitCode);
        QStringList filled;
        for (const QString &argument : arguments)
            filled << QString(argument).replace("%1", dir.path());
        const Run result = run(QStringList{"-j", "2"} << filled << path("album/a 120.mp3"), 120000);
        QVERIFY2(result.err.startsWith("velmora-bpm: " + QString(message).replace("%1", dir.path())),
                 qPrintable(result.err));
        QCOMPARE(result.err.count('\n'), 1);
        QCOMPARE(result.out, exitCode == 2 ? QString() : "120\t-\t" + path("album/a 120.mp3") + "\n");
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(wavFiles(), QStringList());
    }

    // The tag is read back by ffprobe, which shares no code with the writer.
    void writeTagsReadBack()
    {
        const QString song = path("tagged.mp3");
        QVERIFY(QFile::copy(path("album/a 120.mp3"), song));
        // The program runs as nobody when the test runs as root: the file is
        // nobody's own, as a user's music is.
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(song).constData(), 65534, 65534), 0);
        const Run result = run({"--write-tags", song});
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, "120\t-\t" + song + "\n");
        QCOMPARE(result.exitCode, 0);
        QProcess probe;
        probe.start("ffprobe",
                    {"-v", "error", "-show_entries", "format_tags", "-of", "default=noprint_wrappers=1", song});
        QVERIFY(probe.waitForFinished(30000));
        QVERIFY2(probe.readAllStandardOutput().toUpper().contains("TAG:TBPM=120"), "no TBPM 120 tag");
    }

    void helpAndVersion()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *option : {"-j", "--write-tags", "--range", "--csv", "--version"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const Run version = run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("velmora-bpm 1.0.0\n"));
    }

    // Stopped while its children convert and analyse, it leaves no WAV file.
    void interruptedLeavesNoWav()
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        process.setProcessEnvironment(environment);
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << path("album");
        process.start(program, QStringList{"-j", "4"} << files);
        QVERIFY(process.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return !wavFiles().isEmpty(); }, 30000));
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QVERIFY(process.readAllStandardError().contains("velmora-bpm: interrupted"));
        // The children were gone before it ended; none writes a file later.
        QTest::qWait(300);
        QCOMPARE(wavFiles(), QStringList());
    }
};

VELMORA_TEST_MAIN(TestVelmoraBpm)
#include "tst_velmorabpm.moc"
