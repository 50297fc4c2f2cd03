// The analyser's contract, through the real executable: one "BPM: " line, the
// exact tempo for steady songs, "BPM: 0" (and no crash) for everything else; an
// "Alternative: " line after it only when the metrical level is in doubt.
#include "syntheticaudio.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <random>
#include <sys/stat.h>

namespace {

constexpr int kCdFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

enum Drums { Click, Backbeat, EighthHiHat, FourOnTheFloor };

synthetic::Pattern drums(int which)
{
    switch (which) {
    case Backbeat:
        return synthetic::backbeat();
    case EighthHiHat:
        return synthetic::backbeatWithEighthHiHat();
    case FourOnTheFloor:
        return synthetic::fourOnTheFloor();
    default:
        return synthetic::clickTrack();
    }
}

struct Run
{
    bool finished = false;
    bool crashed = false;
    QString output;
};

Run runBeatfind(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral(BEATFIND_EXECUTABLE), {path});
    Run run;
    run.finished = process.waitForFinished(60000);
    if (!run.finished)
        process.kill();
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

} // namespace

class TestBeatfindTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void printsExactTempo_data();
    void printsExactTempo();
    void printsAlternativeOnlyWhenInDoubt_data();
    void printsAlternativeOnlyWhenInDoubt();
    void printsZeroWithoutBeat_data();
    void printsZeroWithoutBeat();
    void survivesMalformedFiles_data();
    void survivesMalformedFiles();
    void explainsUnusableInput_data();
    void explainsUnusableInput();

private:
    QString writeSong(const QString &name, const std::vector<float> &mono)
    {
        const QString path = dir.filePath(name + ".wav");
        return synthetic::writeAudio(path, mono, 44100, 2, kCdFormat) ? path : QString();
    }

    // The drums looped at bpm, with a chord per bar if asked, written under the
    // test row's name and analysed; not finished when it could not be written.
    Run runOnDrums(int pattern, double bpm, bool chords)
    {
        std::vector<float> song = synthetic::render(drums(pattern), bpm, 40.0, 44100);
        if (chords)
            synthetic::addChords(song, bpm, 44100);
        const QString path = writeSong(QTest::currentDataTag(), song);
        return path.isEmpty() ? Run{} : runBeatfind(path);
    }

    QTemporaryDir dir;
};

void TestBeatfindTool::printsExactTempo_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<double>("bpm");
    QTest::addColumn<bool>("chords");
    for (double bpm : {50.0, 51.5, 123.0, 199.0}) {
        QTest::addRow("clicks at %g", bpm) << int(Click) << bpm << false;
        QTest::addRow("backbeat at %g", bpm) << int(Backbeat) << bpm << false;
    }
    // The hi-hat plays twice per beat; kick and snare mark the beat.
    for (double bpm : {96.0, 123.0, 150.0})
        QTest::addRow("eighth hi-hat at %g", bpm) << int(EighthHiHat) << bpm << false;
    // Slower, the hi-hat's pulse sits where listeners like to tap; chords
    // changing on bar lines tell the beat, as in songs.
    for (double bpm : {62.0, 77.0, 88.0})
        QTest::addRow("eighth hi-hat and chords at %g", bpm) << int(EighthHiHat) << bpm << true;
}

void TestBeatfindTool::printsExactTempo()
{
    QFETCH(int, pattern);
    QFETCH(double, bpm);
    QFETCH(bool, chords);
    const Run run = runOnDrums(pattern, bpm, chords);
    QVERIFY(run.finished && !run.crashed);
    // Some of these leave the level in doubt (see printsAlternativeOnlyWhenInDoubt).
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^BPM: (\\d+\\.\\d\\d)\\n(Alternative: \\d+\\.\\d\\d\\n)?$"))
            .match(run.output);
    QVERIFY2(line.hasMatch(), qPrintable(run.output));
    const double printed = line.captured(1).toDouble();
    // What the app stores is the printed value truncated.
    QCOMPARE(std::trunc(printed), std::trunc(bpm));
    QVERIFY2(std::fabs(printed - bpm) < 0.15, qPrintable(run.output));
}

void TestBeatfindTool::printsAlternativeOnlyWhenInDoubt_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<double>("bpm");
    QTest::addColumn<bool>("chords");
    // 0 when the level is not in doubt; else the other level, which may be printed
    // as the BPM with bpm as the Alternative.
    QTest::addColumn<double>("otherLevel");
    QTest::newRow("four on the floor at 120") << int(FourOnTheFloor) << 120.0 << false << 0.0;
    // Kick and snare mark one level, the hi-hat or the tempo listeners like best another.
    QTest::newRow("backbeat at 199") << int(Backbeat) << 199.0 << false << 99.5;
    QTest::newRow("eighth hi-hat at 80") << int(EighthHiHat) << 80.0 << false << 160.0;
    // Nothing but a pulse: every other click could as well be the beat.
    QTest::newRow("clicks at 160") << int(Click) << 160.0 << false << 80.0;
    QTest::newRow("four on the floor and chords at 62") << int(FourOnTheFloor) << 62.0 << true << 124.0;
}

void TestBeatfindTool::printsAlternativeOnlyWhenInDoubt()
{
    QFETCH(int, pattern);
    QFETCH(double, bpm);
    QFETCH(bool, chords);
    QFETCH(double, otherLevel);
    const Run run = runOnDrums(pattern, bpm, chords);
    QVERIFY(run.finished && !run.crashed);
    const QRegularExpressionMatch lines =
        QRegularExpression(QStringLiteral("^BPM: (\\d+\\.\\d\\d)\\n(Alternative: (\\d+\\.\\d\\d)\\n)?$"))
            .match(run.output);
    QVERIFY2(lines.hasMatch(), qPrintable(run.output));
    if (otherLevel == 0.0) {
        QVERIFY2(lines.captured(2).isEmpty(), qPrintable(run.output));
        QVERIFY2(std::fabs(lines.captured(1).toDouble() - bpm) < 0.15, qPrintable(run.output));
        return;
    }
    QVERIFY2(!lines.captured(2).isEmpty(), qPrintable(run.output));
    const double printed = lines.captured(1).toDouble(), alternative = lines.captured(3).toDouble();
    const bool asGiven = std::fabs(printed - bpm) < 0.15 && std::fabs(alternative - otherLevel) < 0.15;
    const bool swapped = std::fabs(printed - otherLevel) < 0.15 && std::fabs(alternative - bpm) < 0.15;
    QVERIFY2(asGiven || swapped, qPrintable(run.output));
}

void TestBeatfindTool::printsZeroWithoutBeat_data()
{
    QTest::addColumn<std::vector<float>>("mono");
    QTest::newRow("silence") << std::vector<float>(30 * 44100, 0.0f);
    QTest::newRow("white noise") << synthetic::whiteNoise(30.0, 44100);
    QTest::newRow("one second of clicks") << synthetic::render(synthetic::clickTrack(), 120.0, 1.0, 44100);
}

void TestBeatfindTool::printsZeroWithoutBeat()
{
    QFETCH(std::vector<float>, mono);
    const QString path = writeSong(QTest::currentDataTag(), mono);
    QVERIFY(!path.isEmpty());
    const Run run = runBeatfind(path);
    QVERIFY(run.finished && !run.crashed);
    QCOMPARE(run.output, QStringLiteral("BPM: 0\n"));
}

void TestBeatfindTool::survivesMalformedFiles_data()
{
    const QString good = writeSong(QStringLiteral("good"), synthetic::render(synthetic::backbeat(), 120.0, 3.0, 44100));
    const QByteArray wav = readAll(good);
    QVERIFY(wav.size() > 44);
    // A header whose data chunk claims far more bytes than follow.
    QByteArray hugeClaim = wav.left(44 + 4000);
    const int dataSize = hugeClaim.indexOf("data") + 4;
    QVERIFY(dataSize > 4);
    for (int i = 0; i < 4; ++i)
        hugeClaim[dataSize + i] = char(0xF0 | (i == 3 ? 0x0F : 0x00));

    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("zero length") << QByteArray() << true;
    QTest::newRow("truncated header") << wav.left(30) << true;
    QTest::newRow("header without samples") << wav.left(44) << true;
    QTest::newRow("data size claims 4 GB") << hugeClaim << true;
    QTest::newRow("odd byte count") << wav.left(44 + 44100 * 4 + 3) << true;
    QTest::newRow("text") << QByteArray("this is not audio\n").repeated(200) << true;
    QTest::newRow("random bytes") << randomBytes(65536, 1) << true;
    QTest::newRow("RIFF WAVE with garbage")
        << QByteArray("RIFF\xff\xff\xff\x7fWAVEfmt ") + randomBytes(4096, 2) << true;
    QTest::newRow("missing file") << QByteArray() << false;
}

void TestBeatfindTool::survivesMalformedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    const QString path = dir.filePath(QStringLiteral("malformed-%1.wav").arg(QTest::currentDataTag()));
    if (exists)
        QVERIFY(writeBytes(path, bytes));
    const Run run = runBeatfind(path);
    QVERIFY(run.finished);
    QVERIFY(!run.crashed);
    QCOMPARE(run.output, QStringLiteral("BPM: 0\n"));
}

void TestBeatfindTool::explainsUnusableInput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("FIFO") << "fifo"
                          << "beatfind: not a regular file: ";
    QTest::newRow("missing file") << "missing"
                                  << "beatfind: cannot open ";
    QTest::newRow("directory") << "directory"
                               << "beatfind: not a regular file: ";
    QTest::newRow("text") << "text"
                          << "beatfind: not audio that can be read: ";
}

void TestBeatfindTool::explainsUnusableInput()
{
    // "BPM: 0" and exit status 0 as for a song without a beat (the BPM run
    // relies on both), and one line on standard error saying why; a FIFO
    // must not hold the analyser until someone writes to it.
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString path = dir.filePath(QStringLiteral("unusable-%1").arg(kind));
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("directory"))
        path = dir.path();
    else if (kind == QLatin1String("text"))
        QVERIFY(writeBytes(path, QByteArray("this is not audio\n").repeated(200)));
    QProcess process;
    process.start(QStringLiteral(BEATFIND_EXECUTABLE), {path});
    const bool finished = process.waitForFinished(10000);
    if (!finished)
        process.kill();
    QVERIFY2(finished, "beatfind still runs after 10 s");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("BPM: 0\n"));
    const QList<QByteArray> errors = process.readAllStandardError().split('\n');
    QCOMPARE(errors.size(), 2); // one line and its end
    QVERIFY2(errors.first().startsWith(reason.toLocal8Bit()), errors.first().constData());
}

QTEST_GUILESS_MAIN(TestBeatfindTool)
#include "tst_beatfindtool.moc"
