// Runs the real pcmdump on files made here with the ffmpeg tool.

#include "boundedrun.h"
#include "wavfileinfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double kToneSeconds = 3.0;
constexpr double kToneHz = 440.0;

struct Conversion
{
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    int exitCode = -1;
    QStringList out;
    QStringList err;

    bool printedLocation() const
    {
        return std::any_of(out.begin(), out.end(), [](const QString &line) { return line.startsWith("Location:"); });
    }
};

QStringList linesOf(const QByteArray &bytes) { return QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts); }

void overwriteWithNoise(QByteArray &bytes, qsizetype from, qsizetype to)
{
    QRandomGenerator noise(7);
    for (qsizetype i = from; i < to; ++i)
        bytes[i] = char(noise.bounded(256));
}

// Whether the process has a file open in dir: proves a conversion is under way.
bool holdsFileIn(qint64 pid, const QString &dir)
{
    const QString fdDir = QString("/proc/%1/fd").arg(pid);
    const QStringList fds = QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : fds) {
        char target[PATH_MAX];
        const ssize_t size = ::readlink(QFile::encodeName(fdDir + "/" + fd).constData(), target, sizeof target);
        if (size > 0 && QString::fromUtf8(target, size).startsWith(dir + "/"))
            return true;
    }
    return false;
}

QByteArray streamingWavHeader(quint32 dataBytes)
{
    QByteArray header(44, '\0');
    char *p = header.data();
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataBytes, p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(2, p + 22);
    qToLittleEndian<quint32>(44100, p + 24);
    qToLittleEndian<quint32>(176400, p + 28);
    qToLittleEndian<quint16>(4, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(dataBytes, p + 40);
    return header;
}

} // namespace

class TestPcmdumpProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void convertsAudio_data();
    void convertsAudio();
    void followsFormatChangesMidStream();
    void eachRunWritesItsOwnFile();
    void rejectsUnreadableInput_data();
    void rejectsUnreadableInput();
    void failsCleanlyWhenTheWavCannotBeWritten_data();
    void failsCleanlyWhenTheWavCannotBeWritten();
    void stoppedConversionLeavesNoFile_data();
    void stoppedConversionLeavesNoFile();
    void refusesHostileInputAtOnce_data();
    void refusesHostileInputAtOnce();
    void refusesATemporaryFolderWithALineBreak();

private:
    QString makeOneHertz(const QString &kind);
    QString makeTone(const QString &name, int sampleRate, int channels, const QStringList &encoding);
    QString makeUnreadable(const QString &kind);
    Conversion convert(const QString &input, const QString &tmpdir, const QString &workingDirectory = {},
                       qint64 fileSizeLimit = 0);
    void verifyConvertedTone(const Conversion &conversion, const QString &tmpdir, double seconds);
    void verifyCleanFailure(const Conversion &conversion, const QString &tmpdir);

    QString pcmdump_;
    QString ffmpeg_;
    QTemporaryDir fixtures_;
};

void TestPcmdumpProgram::initTestCase()
{
    pcmdump_ = qEnvironmentVariable("VELMORA_RESOURCES") + "/pcmdump";
    QVERIFY2(QFileInfo(pcmdump_).isExecutable(), qPrintable("no pcmdump at " + pcmdump_));
    ffmpeg_ = QStandardPaths::findExecutable("ffmpeg");
    QVERIFY2(!ffmpeg_.isEmpty(), "the ffmpeg tool makes the test files (scripts/packages.txt)");
    QVERIFY(fixtures_.isValid());
}

QString TestPcmdumpProgram::makeTone(const QString &name, int sampleRate, int channels, const QStringList &encoding)
{
    const QString path = fixtures_.filePath(name);
    const QString source =
        QString("sine=frequency=%1:sample_rate=%2:duration=%3").arg(kToneHz).arg(sampleRate).arg(kToneSeconds);
    QProcess ffmpeg;
    // "file:" keeps names such as "http:..." from being taken for URLs.
    ffmpeg.start(ffmpeg_,
                 QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", source, "-ac", QString::number(channels)}
                     + encoding + QStringList{"file:" + path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed for" << name << ffmpeg.readAllStandardError();
        return {};
    }
    return path;
}

QString TestPcmdumpProgram::makeUnreadable(const QString &kind)
{
    const auto saved = [this](const QString &name, const QByteArray &bytes) {
        QFile file(fixtures_.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
    };
    if (kind == "missing")
        return fixtures_.filePath("not-there.mp3");
    if (kind == "directory")
        return fixtures_.path();
    if (kind == "empty")
        return saved("empty.mp3", {});
    if (kind == "noise") {
        QByteArray bytes(20000, '\0');
        overwriteWithNoise(bytes, 0, bytes.size());
        return saved("noise.mp3", bytes);
    }
    if (kind == "text")
        return saved("lyrics.txt", "Verse one\nChorus\nVerse two\n");
    if (kind == "video") {
        QProcess ffmpeg;
        const QString path = fixtures_.filePath("silent-film.mkv");
        ffmpeg.start(
            ffmpeg_,
            {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=1:size=64x48:rate=5", "-c:v", "ffv1", path});
        return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 ? path : QString();
    }

    // Intact container, garbage audio: what damaged or encrypted songs look like.
    const bool mp4 = kind == "corrupt m4a";
    const QString tone = makeTone(mp4 ? "damaged.m4a" : "damaged.mp3", 44100, 2,
                                  mp4 ? QStringList{"-c:a", "aac"} : QStringList{"-c:a", "libmp3lame"});
    QFile file(tone);
    if (tone.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    file.close();
    if (mp4) {
        const qsizetype mdat = bytes.indexOf("mdat");
        if (mdat < 4)
            return {};
        overwriteWithNoise(bytes, mdat + 4, mdat - 4 + qFromBigEndian<quint32>(bytes.constData() + mdat - 4));
    } else {
        overwriteWithNoise(bytes, 2000, bytes.size());
    }
    return saved(QFileInfo(tone).fileName(), bytes);
}

Conversion TestPcmdumpProgram::convert(const QString &input, const QString &tmpdir, const QString &workingDirectory,
                                       qint64 fileSizeLimit)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", tmpdir);
    process.setProcessEnvironment(environment);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    if (fileSizeLimit > 0) {
        process.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.start(pcmdump_, {input});
    Conversion conversion;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return conversion;
    }
    conversion.exitStatus = process.exitStatus();
    conversion.exitCode = process.exitCode();
    conversion.out = linesOf(process.readAllStandardOutput());
    conversion.err = linesOf(process.readAllStandardError());
    return conversion;
}

void TestPcmdumpProgram::verifyCleanFailure(const Conversion &conversion, const QString &tmpdir)
{
    QCOMPARE(conversion.exitStatus, QProcess::NormalExit);
    QVERIFY(conversion.exitCode != 0);
    QVERIFY2(!conversion.printedLocation(), qPrintable(conversion.out.join('|')));
    QCOMPARE(conversion.err.size(), 1);
    QVERIFY2(conversion.err.first().startsWith("pcmdump: "), qPrintable(conversion.err.first()));
    QCOMPARE(QDir(tmpdir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestPcmdumpProgram::verifyConvertedTone(const Conversion &conversion, const QString &tmpdir, double seconds)
{
    QCOMPARE(conversion.exitStatus, QProcess::NormalExit);
    QVERIFY2(conversion.exitCode == 0, qPrintable(conversion.err.join('|')));
    QCOMPARE(conversion.err, QStringList());
    QCOMPARE(conversion.out.size(), 3);
    QVERIFY(conversion.out[0].startsWith("Location: "));
    QCOMPARE(conversion.out[1], QString("BitRate: 1411"));
    QCOMPARE(conversion.out[2], QString("SampleRate: 44100"));

    const QFileInfo wav(conversion.out[0].mid(int(strlen("Location: "))));
    QCOMPARE(wav.absolutePath(), tmpdir);
    QVERIFY2(QRegularExpression("^pcmdump-[A-Za-z0-9]{6}\\.wav$").match(wav.fileName()).hasMatch(),
             qPrintable(wav.fileName()));
    QCOMPARE(QDir(tmpdir).entryList(QDir::Files), QStringList{wav.fileName()});

    const WavFileInfo info = WavFileInfo::read(wav.filePath());
    QVERIFY2(info.problem.isEmpty(), qPrintable(info.problem));
    QCOMPARE(info.formatTag, 1);
    QCOMPARE(info.channels, 2);
    QCOMPARE(info.sampleRate, 44100);
    QCOMPARE(info.byteRate, 176400);
    QCOMPARE(info.blockAlign, 4);
    QCOMPARE(info.bitsPerSample, 16);
    QVERIFY2(qAbs(info.seconds() - seconds) < 0.05, qPrintable(QString::number(info.seconds())));
    // The tone keeps its pitch on both channels: resampling and channel mapping are right.
    for (int channel : {0, 1}) {
        QVERIFY2(info.peak(channel) > 1000, qPrintable(QString::number(info.peak(channel))));
        const double hz = info.toneFrequency(channel);
        QVERIFY2(qAbs(hz - kToneHz) < kToneHz * 0.02, qPrintable(QString::number(hz)));
    }
}

void TestPcmdumpProgram::convertsAudio_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<bool>("passRelative");

    const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "128k"};
    QTest::newRow("mp3") << "tone.mp3" << 44100 << 2 << mp3 << false;
    QTest::newRow("m4a aac") << "tone.m4a" << 44100 << 2 << QStringList{"-c:a", "aac", "-b:a", "128k"} << false;
    QTest::newRow("m4a alac") << "lossless.m4a" << 44100 << 2 << QStringList{"-c:a", "alac"} << false;
    QTest::newRow("flac 96 kHz 24 bit") << "tone.flac" << 96000 << 2
                                        << QStringList{"-c:a", "flac", "-sample_fmt", "s32"} << false;
    QTest::newRow("wav 48 kHz mono") << "tone.wav" << 48000 << 1 << QStringList{"-c:a", "pcm_s16le"} << false;
    QTest::newRow("ogg vorbis") << "tone.ogg" << 44100 << 2 << QStringList{"-c:a", "libvorbis"} << false;
    QTest::newRow("opus") << "tone.opus" << 48000 << 2 << QStringList{"-c:a", "libopus"} << false;
    QTest::newRow("aiff 22 kHz mono") << "tone.aiff" << 22050 << 1 << QStringList{} << false;
    QTest::newRow("name with colon, hash and accents") << "Live: Café #1 (100%).mp3" << 44100 << 2 << mp3 << false;
    QTest::newRow("relative name like a url") << "http:tone.mp3" << 44100 << 2 << mp3 << true;
}

void TestPcmdumpProgram::convertsAudio()
{
    QFETCH(QString, fileName);
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(QStringList, encoding);
    QFETCH(bool, passRelative);

    const QString input = makeTone(fileName, sampleRate, channels, encoding);
    QVERIFY(!input.isEmpty());
    QTemporaryDir tmp;
    const Conversion conversion =
        passRelative ? convert(fileName, tmp.path(), fixtures_.path()) : convert(input, tmp.path());

    verifyConvertedTone(conversion, tmp.path(), kToneSeconds);
}

void TestPcmdumpProgram::followsFormatChangesMidStream()
{
    // Joined MP3s: a mono 44.1 kHz part, then a stereo 48 kHz part in the same stream.
    const QStringList bare{"-c:a", "libmp3lame", "-write_xing", "0"};
    const QString first = makeTone("part1.mp3", 44100, 1, bare);
    const QString second = makeTone("part2.mp3", 48000, 2, bare);
    QFile part1(first);
    QFile part2(second);
    QFile joined(fixtures_.filePath("joined.mp3"));
    QVERIFY(part1.open(QIODevice::ReadOnly) && part2.open(QIODevice::ReadOnly) && joined.open(QIODevice::WriteOnly));
    joined.write(part1.readAll() + part2.readAll());
    joined.close();

    QTemporaryDir tmp;
    verifyConvertedTone(convert(joined.fileName(), tmp.path()), tmp.path(), 2 * kToneSeconds);
}

void TestPcmdumpProgram::eachRunWritesItsOwnFile()
{
    // The analyser may still read one song's WAV when the next conversion starts.
    const QString input = makeTone("twice.mp3", 44100, 2, {"-c:a", "libmp3lame"});
    QVERIFY(!input.isEmpty());
    QTemporaryDir tmp;
    const Conversion first = convert(input, tmp.path());
    const Conversion second = convert(input, tmp.path());
    QVERIFY(first.printedLocation());
    QVERIFY(second.printedLocation());
    QVERIFY(first.out[0] != second.out[0]);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), 2);
}

void TestPcmdumpProgram::rejectsUnreadableInput_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"missing", "directory", "empty", "noise", "text", "video", "corrupt mp3", "corrupt m4a"})
        QTest::newRow(kind) << QString(kind);
}

void TestPcmdumpProgram::rejectsUnreadableInput()
{
    QFETCH(QString, kind);
    const QString input = makeUnreadable(kind);
    QVERIFY(!input.isEmpty());
    QTemporaryDir tmp;
    verifyCleanFailure(convert(input, tmp.path()), tmp.path());
}

void TestPcmdumpProgram::failsCleanlyWhenTheWavCannotBeWritten_data()
{
    QTest::addColumn<QString>("tmpdirName");
    QTest::addColumn<qint64>("fileSizeLimit");
    QTest::newRow("temporary directory missing") << "gone" << qint64(0);
    // A file size limit fails the writes just as a full disk does.
    QTest::newRow("writes fail midway") << "" << qint64(64 * 1024);
}

void TestPcmdumpProgram::failsCleanlyWhenTheWavCannotBeWritten()
{
    QFETCH(QString, tmpdirName);
    QFETCH(qint64, fileSizeLimit);
    const QString input = makeTone("unwritable.wav", 44100, 2, {"-c:a", "pcm_s16le"});
    QVERIFY(!input.isEmpty());
    QTemporaryDir tmp;
    const QString tmpdir = tmpdirName.isEmpty() ? tmp.path() : tmp.filePath(tmpdirName);
    verifyCleanFailure(convert(input, tmpdir, {}, fileSizeLimit), tmp.path());
}

void TestPcmdumpProgram::stoppedConversionLeavesNoFile_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("terminated") << int(SIGTERM);
    QTest::newRow("interrupted") << int(SIGINT);
    QTest::newRow("killed") << int(SIGKILL);
}

void TestPcmdumpProgram::stoppedConversionLeavesNoFile()
{
    // The song is an hour of silence (a sparse file, no disk space taken), so
    // the conversion is surely in progress when the run stops it (Cancel, or
    // the window closing); a file size limit keeps a conversion that was not
    // stopped from filling the disk.
    QFETCH(int, signalNumber);
    QTemporaryDir tmp;
    QTemporaryDir songDir;
    QFile song(songDir.filePath("long.wav"));
    const quint32 dataBytes = 3600u * 176400u;
    QVERIFY(song.open(QIODevice::WriteOnly));
    QCOMPARE(song.write(streamingWavHeader(dataBytes)), qint64(44));
    QVERIFY(song.resize(44 + qint64(dataBytes)));
    song.close();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", tmp.path());
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] {
        const rlimit limit{rlim_t(256) << 20, rlim_t(256) << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(pcmdump_, {song.fileName()});
    QVERIFY(process.waitForStarted());

    QElapsedTimer timer;
    timer.start();
    bool converting = false;
    while (!converting && timer.elapsed() < 10000 && process.state() == QProcess::Running) {
        converting = holdsFileIn(process.processId(), tmp.path());
        if (!converting)
            QThread::msleep(1);
    }

    ::kill(pid_t(process.processId()), signalNumber);
    // It ends within seconds of the signal, or the test ends it.
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        QFAIL("still running 5 s after the signal");
    }
    QVERIFY2(converting, "pcmdump never opened its WAV file");
    QVERIFY(!linesOf(process.readAllStandardOutput()).join('\n').contains("Location:"));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

namespace {

quint8 flacHeaderCrc(const char *bytes, int size)
{
    quint8 crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= quint8(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = quint8((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

// Makes every frame of an 8 kHz FLAC take its rate from the stream header
// (rate code 0), so that the stream header's rate is the one decoded.
void frameRatesFromStreamHeader(QByteArray &bytes)
{
    for (qsizetype at = 42; at + 16 < bytes.size(); ++at) {
        char *frame = bytes.data() + at;
        if (quint8(frame[0]) != 0xFF || (quint8(frame[1]) & 0xFE) != 0xF8 || (frame[2] & 0x0F) != 4)
            continue;
        int length = 5;
        for (quint8 lead = quint8(frame[4]); lead & 0x80; lead = quint8(lead << 1))
            ++length;
        if (length > 5)
            --length; // a coded number of n > 1 bytes starts with n one bits
        const int blockCode = (quint8(frame[2]) >> 4) & 0x0F;
        length += blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
        if (flacHeaderCrc(frame, length) != quint8(frame[length]))
            continue; // not a frame header, only bytes that look like one
        frame[2] = char(frame[2] & 0xF0);
        frame[length] = char(flacHeaderCrc(frame, length));
    }
}

} // namespace

// A header that claims an absurd sample rate: 1 Hz turns every input sample
// into 44,100 output samples.
QString TestPcmdumpProgram::makeOneHertz(const QString &kind)
{
    const bool flac = kind == "flac";
    const QString tone =
        makeTone(flac ? "one-hertz.flac" : "one-hertz.wav", 8000, 1,
                 flac ? QStringList{"-c:a", "flac", "-frame_size", "16384"} : QStringList{"-c:a", "pcm_s16le"});
    QFile file(tone);
    if (tone.isEmpty() || !file.open(QIODevice::ReadWrite))
        return {};
    QByteArray bytes = file.readAll();
    if (flac) {
        // STREAMINFO: 20 bits of sample rate from byte 18 on.
        bytes[18] = 0;
        bytes[19] = 0;
        bytes[20] = char((bytes[20] & 0x0F) | 0x10);
        frameRatesFromStreamHeader(bytes);
    } else {
        qToLittleEndian<quint32>(1, bytes.data() + 24);
        qToLittleEndian<quint32>(2, bytes.data() + 28);
    }
    file.seek(0);
    file.write(bytes);
    return tone;
}

void TestPcmdumpProgram::refusesHostileInputAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("1 Hz flac") << "flac"
                               << "sample rate of 1 Hz is out of range";
    QTest::newRow("1 Hz wav") << "wav"
                              << "sample rate of 1 Hz is out of range";
    QTest::newRow("fifo") << "fifo"
                          << "not a regular file";
    QTest::newRow("/dev/zero") << "/dev/zero"
                               << "not a regular file";
    QTest::newRow("link named as audio to /dev/urandom") << "urandom link"
                                                         << "not a regular file";
    // A file cut short is no disk failing: not "Input/output error".
    QTest::newRow("flac cut short in its tags") << "cut flac:60"
                                                << "cannot read %1: the file is damaged or cut short";
    QTest::newRow("flac cut short in its padding") << "cut flac:4000"
                                                   << "cannot read %1: the file is damaged or cut short";
}

void TestPcmdumpProgram::refusesHostileInputAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QString input = kind;
    if (kind == "fifo") {
        input = fixtures_.filePath("fifo.mp3");
        QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    } else if (kind == "urandom link") {
        input = fixtures_.filePath("random.mp3");
        QVERIFY(QFile::link("/dev/urandom", input));
    } else if (kind == "flac" || kind == "wav") {
        input = makeOneHertz(kind);
        QVERIFY(!input.isEmpty());
    } else if (kind.startsWith("cut flac:")) {
        input = makeTone("cut.flac", 44100, 2, {"-c:a", "flac"});
        QVERIFY(!input.isEmpty());
        QVERIFY(QFile::resize(input, kind.section(':', 1).toLongLong()));
    }
    QTemporaryDir tmp;
    const BoundedRun run = runProgramBounded(pcmdump_, {input}, {"TMPDIR=" + tmp.path()}, 10000, qint64(300) << 20);
    QVERIFY2(run.exited && run.exitCode == 1, qPrintable(run.describe()));
    QVERIFY2(!run.out.contains("Location:"), qPrintable(run.describe()));
    const QStringList errors = linesOf(run.err);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith("pcmdump: " + QString(message).replace("%1", input)),
             qPrintable(errors.first()));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void TestPcmdumpProgram::refusesATemporaryFolderWithALineBreak()
{
    // The WAV's path goes out on one "Location: " line, which a line break would cut.
    const QString input = makeTone("line-break.wav", 44100, 2, {"-c:a", "pcm_s16le"});
    QVERIFY(!input.isEmpty());
    QTemporaryDir tmp;
    const QString tmpdir = tmp.filePath("two\nlines");
    QVERIFY(QDir().mkdir(tmpdir));
    const Conversion conversion = convert(input, tmpdir);
    verifyCleanFailure(conversion, tmpdir);
    QVERIFY2(conversion.err.first().contains("line break"), qPrintable(conversion.err.first()));
}

QTEST_GUILESS_MAIN(TestPcmdumpProgram)
#include "tst_pcmdumpprogram.moc"
