// The analyser's library: output formatting of the tempo and its alternative,
// every audio format read alike, determinism, and reading from memory (the
// fuzzer's path) like from a file.
#include "beatfind.h"
#include "syntheticaudio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <limits>

class TestBeatfindCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void formatsStoredValue_data();
    void formatsStoredValue();
    void formatsAlternative_data();
    void formatsAlternative();
    void readsAnyFormatAlike_data();
    void readsAnyFormatAlike();
    void isDeterministicAndReadsMemoryLikeFile();

private:
    QTemporaryDir dir;
};

void TestBeatfindCore::formatsStoredValue_data()
{
    QTest::addColumn<double>("bpm");
    QTest::addColumn<QString>("line");
    QTest::newRow("no tempo") << 0.0 << "BPM: 0";
    QTest::newRow("negative") << -120.0 << "BPM: 0";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "BPM: 0";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "BPM: 0";
    QTest::newRow("just below a whole BPM") << 122.98 << "BPM: 123.00";
    QTest::newRow("just above a whole BPM") << 123.31 << "BPM: 123.00";
    QTest::newRow("halfway stays fractional") << 51.5 << "BPM: 51.50";
    QTest::newRow("fraction truncated, never rounded up") << 87.559 << "BPM: 87.55";
    QTest::newRow("top of the range") << 199.7 << "BPM: 200.00";
}

void TestBeatfindCore::formatsStoredValue()
{
    QFETCH(double, bpm);
    QFETCH(QString, line);
    QCOMPARE(QString::fromStdString(beatfind::bpmLine(bpm)), line);
}

void TestBeatfindCore::formatsAlternative_data()
{
    QTest::addColumn<double>("bpm");
    QTest::addColumn<double>("alternative");
    QTest::addColumn<QString>("line");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("sure of the level") << 126.0 << 0.0 << "";
    QTest::newRow("in doubt") << 126.0 << 63.2 << "Alternative: 63.00";
    QTest::newRow("snapped as in the BPM line") << 87.559 << 175.118 << "Alternative: 175.00";
    QTest::newRow("truncated as in the BPM line") << 87.77 << 175.559 << "Alternative: 175.55";
    // Never an Alternative without a tempo to be the alternative to.
    QTest::newRow("no tempo") << 0.0 << 63.0 << "";
    QTest::newRow("tempo not a number") << nan << 63.0 << "";
    QTest::newRow("alternative not a number") << 126.0 << nan << "";
    QTest::newRow("alternative negative") << 126.0 << -63.0 << "";
}

void TestBeatfindCore::formatsAlternative()
{
    QFETCH(double, bpm);
    QFETCH(double, alternative);
    QFETCH(QString, line);
    QCOMPARE(QString::fromStdString(beatfind::alternativeLine({bpm, alternative})), line);
}

void TestBeatfindCore::readsAnyFormatAlike_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("format");
    QTest::newRow("16-bit stereo 44.1 kHz WAV") << 44100 << 2 << (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QTest::newRow("float mono 48 kHz WAV") << 48000 << 1 << (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    QTest::newRow("8-bit mono 22.05 kHz WAV") << 22050 << 1 << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    QTest::newRow("24-bit stereo 96 kHz WAV") << 96000 << 2 << (SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    QTest::newRow("16-bit 6 channels 44.1 kHz WAV") << 44100 << 6 << (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QTest::newRow("16-bit mono 8 kHz WAV") << 8000 << 1 << (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QTest::newRow("FLAC") << 44100 << 2 << (SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    QTest::newRow("AIFF") << 44100 << 2 << (SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
}

void TestBeatfindCore::readsAnyFormatAlike()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, format);
    const double bpm = 97.0;
    const QString path = dir.filePath(QStringLiteral("song-%1").arg(QTest::currentDataTag()));
    std::vector<float> song = synthetic::render(synthetic::backbeatWithEighthHiHat(), bpm, 30.0, rate);
    synthetic::addChords(song, bpm, rate);
    QVERIFY(synthetic::writeAudio(path, song, rate, channels, format));
    const double found = beatfind::tempoOfFile(path.toStdString()).bpm;
    QVERIFY2(std::fabs(found - bpm) < 0.15, qPrintable(QString::number(found)));
}

void TestBeatfindCore::isDeterministicAndReadsMemoryLikeFile()
{
    const QString path = dir.filePath(QStringLiteral("song.wav"));
    QVERIFY(synthetic::writeAudio(path, synthetic::render(synthetic::backbeat(), 141.0, 30.0, 44100), 44100, 2,
                                  SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    const double first = beatfind::tempoOfFile(path.toStdString()).bpm;
    QCOMPARE(beatfind::tempoOfFile(path.toStdString()).bpm, first);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(beatfind::tempoOfMemory(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size()))
                 .bpm,
             first);
    QCOMPARE(QString::fromStdString(beatfind::bpmLine(first)), QStringLiteral("BPM: 141.00"));
}

QTEST_GUILESS_MAIN(TestBeatfindCore)
#include "tst_beatfindcore.moc"
