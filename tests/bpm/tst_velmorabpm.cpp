#include "songfiles.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
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

// "pid (name) state ppid ...", the name perhaps with spaces or parentheses.
QByteArray statusFields(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2);
}

QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        const qint64 pid = entry.toLongLong();
        if (pid > 0 && statusFields(pid).split(' ').value(1).toLongLong() == parent)
            children << pid;
    }
    return children;
}

// Neither gone nor a zombie waiting for its parent to look.
bool isRunning(qint64 pid)
{
    const QByteArray fields = statusFields(pid);
    return !fields.isEmpty() && !fields.startsWith('Z') && !fields.startsWith('X');
}

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
    void start(QProcess &process, const QStringList &arguments, const QString &executable = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp);
        process.setProcessEnvironment(environment);
        if (::geteuid() == 0) {
            process.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        }
        process.start(executable.isEmpty() ? program : executable, arguments);
    }

    // Waits for the end, up to timeoutMs; a run still going then is killed
    // and has exit code -1.
    static Run finish(QProcess &process, int timeoutMs)
    {
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

    Run run(const QStringList &arguments, int timeoutMs = 120000, const QString &executable = QString())
    {
        QProcess process;
        start(process, arguments, executable);
        return finish(process, timeoutMs);
    }

    // A copy of the program beside stand-ins for its helpers: the converter
    // notes each song it is given in "calls" and copies it as the WAV file,
    // the analyser finds 99 BPM in anything.
    QString standInProgram()
    {
        const QString bin = path("stand-in/bin/velmora-bpm");
        if (QFile::exists(bin))
            return bin;
        auto script = [](const QString &name, const QString &body) {
            QFile file(name);
            return file.open(QIODevice::WriteOnly) && file.write(("#!/bin/sh\n" + body).toUtf8()) > 0
                && file.setPermissions(QFileDevice::Permissions(0x7755));
        };
        if (!QDir(dir.path()).mkpath("stand-in/bin") || !QDir(dir.path()).mkpath("stand-in/Resources")
            || !QFile::copy(program, bin)
            || !script(path("stand-in/Resources/pcmdump"),
                       QStringLiteral("printf '%s\\n' \"$1\" >> '%1'\n"
                                      "wav=\"$TMPDIR/stand-in-$$.wav\"\n"
                                      "cp \"$1\" \"$wav\" || exit 1\n"
                                      "printf 'Location: %s\\nBitRate: 1411\\nSampleRate: 44100\\n' \"$wav\"\n")
                           .arg(path("stand-in/calls")))
            || !script(path("stand-in/Resources/beatfind"), QStringLiteral("echo 'BPM: 99'\n")))
            return QString();
        QFile calls(path("stand-in/calls"));
        if (!calls.open(QIODevice::WriteOnly) || !calls.setPermissions(QFileDevice::Permissions(0x6666)))
            return QString();
        return bin;
    }

    // The songs the stand-in converter was given since the last call, sorted.
    QStringList takeStandInCalls()
    {
        QFile calls(path("stand-in/calls"));
        if (!calls.open(QIODevice::ReadWrite))
            return {"(no calls file)"};
        QStringList songs = QString::fromUtf8(calls.readAll()).split('\n', Qt::SkipEmptyParts);
        calls.resize(0);
        songs.sort();
        return songs;
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
        QVERIFY(QFile::link("/dev/zero", path("zero.mp3")));
        QVERIFY(QFile::link("/dev/urandom", path("random.mp3")));
        QVERIFY(QDir(dir.path()).mkpath("line break"));
        QVERIFY(QFile::copy(path("album/a 120.mp3"), path("line break/two\nlines.mp3")));
        QVERIFY(QDir(dir.path()).mkpath("tags"));
        QVERIFY(makeSongFile(path("tags/no tag.mp3"), {"title=Untagged"}));
        for (const char *bpm : {"150", "119.6", "300", "30", "fast"})
            QVERIFY(
                makeSongFile(path(QStringLiteral("tags/tag %1.mp3").arg(bpm)), {QStringLiteral("TBPM=%1").arg(bpm)}));
        QVERIFY(makeSongFile(path("tags/tag 128.flac"), {"BPM=128"}));
        QFile noAudio(path("tags/no audio.mp3"));
        QVERIFY(noAudio.open(QIODevice::WriteOnly));
        noAudio.write(QByteArray(20000, '\x5a'));
    }

    // Files and folders in the order given, a folder's files sorted; the
    // same lines whether the files are analysed one at a time or side by side.
    void resultsInTheOrderGiven_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("folder"); // analysed after the first file
        QTest::addColumn<QString>("expected"); // %1 stands for the test folder
        const QString text = "90\t-\t%1/c 90, quoted \".mp3\n"
                             "120\t-\t%1/album/a 120.mp3\n"
                             "100\t-\t%1/album/disc 2/b 100.m4a\n";
        QTest::newRow("one at a time") << QStringList{"-j", "1"} << "album" << text;
        QTest::newRow("three at once") << QStringList{"-j", "3"} << "album" << text;
        QTest::newRow("csv") << QStringList{"--csv"} << "album"
                             << "bpm,alternative,path\n"
                                "90,,\"%1/c 90, quoted \"\".mp3\"\n"
                                "120,,%1/album/a 120.mp3\n"
                                "100,,%1/album/disc 2/b 100.m4a\n";
        QTest::newRow("range") << QStringList{"--range", "50-100"} << "album"
                               << "90\t-\t%1/c 90, quoted \".mp3\n"
                                  "60\t120\t%1/album/a 120.mp3\n"
                                  "100\t-\t%1/album/disc 2/b 100.m4a\n";
        // Each result stays on one line.
        QTest::newRow("line break in a path") << QStringList{"-j", "2"} << "line break"
                                              << "90\t-\t%1/c 90, quoted \".mp3\n"
                                                 "120\t-\t\"%1/line break/two\\nlines.mp3\"\n";
    }
    void resultsInTheOrderGiven()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        const Run result = run(options << path("c 90, quoted \".mp3") << path(folder));
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
        QTest::newRow("link to /dev/zero") << QStringList{"%1/zero.mp3"} << "%1/zero.mp3: not a regular file" << 1;
        QTest::newRow("link to /dev/urandom")
            << QStringList{"%1/random.mp3"} << "%1/random.mp3: not a regular file" << 1;
        QTest::newRow("line break in a missing path")
            << QStringList{"%1/gone\nfor good.mp3"} << "\"%1/gone\\nfor good.mp3\": no such file or folder" << 1;
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

    // With --skip-tagged a file whose tags hold a BPM within 50-200 is
    // reported with it, marked, and never reaches the converter; any other
    // file is analysed as before. Each run takes a file tagged 150 first.
    void skipTagged_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("file"); // in tags/
        QTest::addColumn<QString>("expected"); // %1 stands for the file tagged 150, %2 for the other
        QTest::addColumn<bool>("tagged"); // whether the other file is reported from its tag
        const QStringList skip{"--skip-tagged"};
        QTest::newRow("no BPM tag") << skip << "no tag.mp3"
                                    << "150\t-\t%1\ttagged\n99\t-\t%2\n"
                                    << false;
        QTest::newRow("tag rounded") << skip << "tag 119.6.mp3"
                                     << "150\t-\t%1\ttagged\n120\t-\t%2\ttagged\n"
                                     << true;
        QTest::newRow("FLAC BPM comment") << skip << "tag 128.flac"
                                          << "150\t-\t%1\ttagged\n128\t-\t%2\ttagged\n"
                                          << true;
        QTest::newRow("tag above 200") << skip << "tag 300.mp3"
                                       << "150\t-\t%1\ttagged\n99\t-\t%2\n"
                                       << false;
        QTest::newRow("tag below 50") << skip << "tag 30.mp3"
                                      << "150\t-\t%1\ttagged\n99\t-\t%2\n"
                                      << false;
        QTest::newRow("tag not a number") << skip << "tag fast.mp3"
                                          << "150\t-\t%1\ttagged\n99\t-\t%2\n"
                                          << false;
        QTest::newRow("tags unreadable") << skip << "no audio.mp3"
                                         << "150\t-\t%1\ttagged\n99\t-\t%2\n"
                                         << false;
        QTest::newRow("csv") << QStringList{"--skip-tagged", "--csv"} << "no tag.mp3"
                             << "bpm,alternative,path,source\n150,,%1,tagged\n99,,%2\n"
                             << false;
        QTest::newRow("--range leaves a tag's value alone")
            << QStringList{"--skip-tagged", "--range", "70-140"} << "tag 119.6.mp3"
            << "150\t-\t%1\ttagged\n120\t-\t%2\ttagged\n"
            << true;
        QTest::newRow("without the option") << QStringList() << "tag 119.6.mp3"
                                            << "99\t-\t%1\n99\t-\t%2\n"
                                            << false;
    }
    void skipTagged()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QFETCH(bool, tagged);
        const QString standIn = standInProgram();
        QVERIFY(!standIn.isEmpty());
        takeStandInCalls();
        const QString first = path("tags/tag 150.mp3");
        const QString other = path("tags/" + file);
        const Run result = run(QStringList{"-j", "2"} << options << first << other, 60000, standIn);
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, expected.arg(first, other));
        QCOMPARE(result.exitCode, 0);
        QStringList converted;
        if (!options.contains("--skip-tagged"))
            converted << first;
        if (!tagged)
            converted << other;
        converted.sort();
        QCOMPARE(takeStandInCalls(), converted);
        QCOMPARE(wavFiles(), QStringList());
    }

    void helpAndVersion()
    {
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *option : {"-j", "--write-tags", "--range", "--csv", "--skip-tagged", "--version"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const Run version = run({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("velmora-bpm 1.0.0\n"));
    }

    // A file that was a song when the run began but is a FIFO or a device
    // by its turn is refused with the reason, and the run goes on.
    void refusesAFileThatChangesBeforeItsTurn_data()
    {
        QTest::addColumn<QString>("becomes"); // "fifo", or the device a link points to
        QTest::newRow("a FIFO") << "fifo";
        QTest::newRow("a link to /dev/zero") << "/dev/zero";
        QTest::newRow("a link to /dev/urandom") << "/dev/urandom";
    }
    void refusesAFileThatChangesBeforeItsTurn()
    {
        QFETCH(QString, becomes);
        const QString song = path("changes.mp3");
        const QString replacement = path("replacement");
        QFile::remove(song);
        QVERIFY(QFile::copy(path("album/a 120.mp3"), song));
        QProcess process;
        // One at a time, the changing file last: two songs take seconds.
        start(process, {"-j", "1", path("album"), song});
        QVERIFY(process.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return !wavFiles().isEmpty(); }, 30000));
        if (becomes == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(replacement).constData(), 0666), 0);
        else
            QVERIFY(QFile::link(becomes, replacement));
        QCOMPARE(::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(song).constData()), 0);

        const Run result = finish(process, 60000);
        QCOMPARE(result.err, "velmora-bpm: " + song + ": not a regular file\n");
        QCOMPARE(result.out,
                 "120\t-\t" + path("album/a 120.mp3") + "\n100\t-\t" + path("album/disc 2/b 100.m4a") + "\n");
        QCOMPARE(result.exitCode, 1);
        QFile::remove(song);
    }

    // Stopped while its children convert and analyse, it ends within seconds
    // with its children, and leaves no WAV file.
    void interruptedEndsWithItsChildren_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void interruptedEndsWithItsChildren()
    {
        QFETCH(int, signalNumber);
        QProcess process;
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << path("album");
        start(process, QStringList{"-j", "4"} << files);
        QVERIFY(process.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return !wavFiles().isEmpty(); }, 30000));
        const QList<qint64> children = childrenOf(process.processId());
        QVERIFY(!children.isEmpty());
        QElapsedTimer stopping;
        stopping.start();
        ::kill(pid_t(process.processId()), signalNumber);
        const Run result = finish(process, 5000);
        QVERIFY2(result.exitCode == 128 + signalNumber, qPrintable(QString::number(stopping.elapsed())));
        QCOMPARE(result.err.count("velmora-bpm: interrupted\n"), 1);
        for (const qint64 child : children)
            QVERIFY2(!isRunning(child), qPrintable(QString::number(child)));
        // The children were gone before it ended; none writes a file later.
        QTest::qWait(300);
        QCOMPARE(wavFiles(), QStringList());
    }
};

VELMORA_TEST_MAIN(TestVelmoraBpm)
#include "tst_velmorabpm.moc"
