#include "analysis/analysisprograms.h"
#include "analysis/analysisjobs.h"
#include "analysis/analysertempo.h"
#include "analysis/childoutput.h"
#include "analysis/releasequeue.h"
#include "analysis/runprogress.h"
#include "analysis/tempspace.h"
#include "library/songlocation.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

namespace {

// A pipe that has nothing to give yet: a read yields no bytes instead of the
// end of the data.
class DrainedDevice : public QIODevice
{
public:
    explicit DrainedDevice(const QByteArray &data) : data(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *into, qint64 maxSize) override
    {
        const qint64 size = qMin(maxSize, qint64(data.size()));
        memcpy(into, data.constData(), size_t(size));
        data.remove(0, size);
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray data;
};

OutputPieces piecesOf(QByteArray output)
{
    QBuffer buffer(&output);
    buffer.open(QIODevice::ReadOnly);
    return readOutputPieces(buffer);
}

} // namespace

class TestAnalysisRules : public QObject
{
    Q_OBJECT

private slots:
    void songFilePathDropsOnlyAHost_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("path");
        QTest::newRow("localhost URL") << "//localhost/Users/ann/Music/a.mp3"
                                       << "/Users/ann/Music/a.mp3";
        QTest::newRow("other host") << "//nas/share/a.mp3"
                                    << "/share/a.mp3";
        QTest::newRow("file:/// URL, a path already") << "/Users/ann/Music/a.mp3"
                                                      << "/Users/ann/Music/a.mp3";
        QTest::newRow("short path kept whole") << "/a.mp3"
                                               << "/a.mp3";
        QTest::newRow("host without a path") << "//localhost"
                                             << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("relative") << "Music/a.mp3"
                                  << "Music/a.mp3";
        QTest::newRow("non-ASCII host and path") << "//höst/Müsik/ä.mp3"
                                                 << "/Müsik/ä.mp3";
    }
    void songFilePathDropsOnlyAHost()
    {
        QFETCH(QString, location);
        QFETCH(QString, path);
        QCOMPARE(songFilePath(location), path);
    }

    void outputArrivesInPiecesOf1023Bytes_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QList<QByteArray>>("pieces");
        const QByteArray long1023(1023, 'x');
        QTest::newRow("nothing") << QByteArray() << QList<QByteArray>{};
        QTest::newRow("lines with their ends") << QByteArray("a\r\n\nb") << QList<QByteArray>{"a\r\n", "\n", "b"};
        QTest::newRow("1022 bytes and line end in one piece") << QByteArray(1022, 'x') + "\n"
                                                              << QList<QByteArray>{QByteArray(1022, 'x') + "\n"};
        QTest::newRow("1023 bytes: the line end comes alone") << long1023 + "\nBPM: 1\n"
                                                              << QList<QByteArray>{long1023, "\n", "BPM: 1\n"};
        QTest::newRow("longer line split") << long1023 + "BPM: 133\n" << QList<QByteArray>{long1023, "BPM: 133\n"};
        QTest::newRow("NUL byte counts") << QByteArray("\0BPM\n", 5) << QList<QByteArray>{QByteArray("\0BPM\n", 5)};
    }
    void outputArrivesInPiecesOf1023Bytes()
    {
        QFETCH(QByteArray, output);
        QFETCH(QList<QByteArray>, pieces);
        const OutputPieces read = piecesOf(output);
        QCOMPARE(read.pieces, pieces);
        QVERIFY(!read.emptyRead);
    }

    void aReadOfNoBytesEndsTheOutput()
    {
        DrainedDevice device("Location: /tmp/a.wav\nBitRate: 1411\n");
        const OutputPieces read = readOutputPieces(device);
        QCOMPARE(read.pieces, (QList<QByteArray>{"Location: /tmp/a.wav\n", "BitRate: 1411\n"}));
        QVERIFY(read.emptyRead);
    }

    void conversionReport_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("wavPath");
        QTest::addColumn<QString>("bitRate");
        QTest::addColumn<QString>("sampleRate");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("pcmdump") << QByteArray("Location: /tmp/p.wav\nBitRate: 1411\nSampleRate: 44100\n")
                                 << "/tmp/p.wav"
                                 << "1411"
                                 << "44100" << true;
        QTest::newRow("any order, other lines, CRLF")
            << QByteArray("hello\r\nSampleRate: 44100\r\nBitRate: 1411\r\nLocation: /tmp/p.wav\r\n") << "/tmp/p.wav"
            << "1411"
            << "44100" << true;
        QTest::newRow("later line wins") << QByteArray(
            "Location: /a.wav\nBitRate: 1411\nSampleRate: 44100\nLocation: /b.wav\nSampleRate: 48000\n")
                                         << "/b.wav"
                                         << "1411"
                                         << "48000" << false;
        QTest::newRow("bit rate 1411.2") << QByteArray("Location: /a.wav\nBitRate: 1411.2\nSampleRate: 44100\n")
                                         << "/a.wav"
                                         << "1411.2"
                                         << "44100" << false;
        QTest::newRow("sample rate 48000")
            << QByteArray("Location: /a.wav\nBitRate: 1411\nSampleRate: 48000\n") << "/a.wav"
            << "1411"
            << "48000" << false;
        QTest::newRow("no location") << QByteArray("BitRate: 1411\nSampleRate: 44100\n") << ""
                                     << "1411"
                                     << "44100" << false;
        QTest::newRow("label only") << QByteArray("Location:\nBitRate: 1411\nSampleRate: 44100\n") << ""
                                    << "1411"
                                    << "44100" << false;
        QTest::newRow("values start past one blank")
            << QByteArray("Location:X/a.wav\nBitRate:X1411\nSampleRate:X44100\n") << "/a.wav"
            << "1411"
            << "44100" << true;
        QTest::newRow("trailing blank kept")
            << QByteArray("Location: /a.wav\nBitRate: 1411 \nSampleRate: 44100\n") << "/a.wav"
            << "1411 "
            << "44100" << false;
        QTest::newRow("lower-case labels ignored")
            << QByteArray("location: /a.wav\nbitrate: 1411\nsamplerate: 44100\n") << ""
            << ""
            << "" << false;
        QTest::newRow("UTF-8 path") << QByteArray("Location: /tmp/Müsik/ä.wav\nBitRate: 1411\nSampleRate: 44100\n")
                                    << "/tmp/Müsik/ä.wav"
                                    << "1411"
                                    << "44100" << true;
    }
    void conversionReport()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, wavPath);
        QFETCH(QString, bitRate);
        QFETCH(QString, sampleRate);
        QFETCH(bool, accepted);
        const ConversionReport report = ::conversionReport(piecesOf(output).pieces);
        QCOMPARE(report.wavPath, wavPath);
        QCOMPARE(report.bitRate, bitRate);
        QCOMPARE(report.sampleRate, sampleRate);
        QCOMPARE(isAcceptedFormat(report), accepted);
    }

    void analyserBpm_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("bpmText");
        QTest::addColumn<int>("bpm");
        QTest::newRow("whole") << QByteArray("BPM: 120\n") << "120" << 120;
        QTest::newRow("127.9 truncated") << QByteArray("BPM: 127.9\n") << "127.9" << 127;
        QTest::newRow("200.9 truncated into range") << QByteArray("BPM: 200.9\n") << "200.9" << 200;
        QTest::newRow("lowest") << QByteArray("BPM: 50\n") << "50" << 50;
        QTest::newRow("49.99 below range") << QByteArray("BPM: 49.99\n") << "49.99" << 0;
        QTest::newRow("201 above range") << QByteArray("BPM: 201\n") << "201" << 0;
        QTest::newRow("zero") << QByteArray("BPM: 0\n") << "0" << 0;
        QTest::newRow("not a number") << QByteArray("BPM: abc\n") << "abc" << 0;
        QTest::newRow("no BPM line") << QByteArray("tempo 120\n") << "" << 0;
        QTest::newRow("no output") << QByteArray() << "" << 0;
        QTest::newRow("huge") << QByteArray("BPM: 1e30\n") << "1e30" << 0;
        QTest::newRow("nan") << QByteArray("BPM: nan\n") << "nan" << 0;
        QTest::newRow("inf") << QByteArray("BPM: inf\n") << "inf" << 0;
        QTest::newRow("negative") << QByteArray("BPM: -120\n") << "-120" << 0;
        QTest::newRow("CRLF") << QByteArray("BPM: 99\r\n") << "99" << 99;
        QTest::newRow("last line wins") << QByteArray("BPM: 99\nBPM: 0\n") << "0" << 0;
        QTest::newRow("empty line first") << QByteArray("\nBPM: 88\n") << "88" << 88;
        QTest::newRow("tail of a long line is a line of its own") << QByteArray(1023, 'x') + "BPM: 133\n"
                                                                  << "133" << 133;
        QTest::newRow("long BPM line cut") << QByteArray("BPM: 140") + QByteArray(1100, '0') + "\n"
                                           << QString("140") + QString(1015, '0') << 0;
    }
    void analyserBpm()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, bpmText);
        QFETCH(int, bpm);
        QCOMPARE(reportedBpm(piecesOf(output).pieces), bpmText);
        QCOMPARE(acceptedBpm(bpmText), bpm);
    }

    // An installed tree keeps its helpers in libexec/velmorasync, the build
    // tree in Resources; a file there that cannot be run does not count.
    void analysisProgramPathPrefersTheInstalledPlace_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("beside");
        QTest::addColumn<QString>("found");
        QTest::newRow("both") << "program"
                              << "program"
                              << "libexec/velmorasync";
        QTest::newRow("installed only") << "program"
                                        << ""
                                        << "libexec/velmorasync";
        QTest::newRow("build tree only") << ""
                                         << "program"
                                         << "Resources";
        QTest::newRow("neither") << ""
                                 << ""
                                 << "Resources";
        QTest::newRow("installed one not executable") << "plain file"
                                                      << "program"
                                                      << "Resources";
        QTest::newRow("installed one a folder") << "folder"
                                                << ""
                                                << "Resources";
    }
    void analysisProgramPathPrefersTheInstalledPlace()
    {
        QFETCH(QString, installed);
        QFETCH(QString, beside);
        QFETCH(QString, found);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QVERIFY(QDir(root.path()).mkpath("bin"));
        const auto place = [&](const QString &dir, const QString &kind) {
            QVERIFY(QDir(root.path()).mkpath(dir));
            const QString path = root.filePath(dir + "/pcmdump");
            if (kind == "folder") {
                QVERIFY(QDir().mkpath(path));
            } else if (!kind.isEmpty()) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                if (kind == "program")
                    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
            }
        };
        place("libexec/velmorasync", installed);
        place("Resources", beside);
        const QString bin = root.filePath("bin");
        QCOMPARE(QDir::cleanPath(analysisProgramPath("pcmdump", bin)), root.filePath(found + "/pcmdump"));
    }

    // Results put in any order come out in position order, each as soon as
    // every one before it is there.
    void releaseQueueKeepsPositionOrder_data()
    {
        QTest::addColumn<QList<int>>("arrivals");
        QTest::addColumn<QList<int>>("releasedAfterEach"); // how many are out after each arrival
        QTest::newRow("in order") << QList<int>{0, 1, 2} << QList<int>{1, 2, 3};
        QTest::newRow("reverse") << QList<int>{2, 1, 0} << QList<int>{0, 0, 3};
        QTest::newRow("middle first") << QList<int>{1, 0, 3, 2} << QList<int>{0, 2, 2, 4};
    }
    void releaseQueueKeepsPositionOrder()
    {
        QFETCH(QList<int>, arrivals);
        QFETCH(QList<int>, releasedAfterEach);
        ReleaseQueue<QString> queue;
        QStringList out;
        for (int i = 0; i < arrivals.size(); ++i) {
            queue.put(arrivals[i], QString::number(arrivals[i]));
            while (queue.hasNext())
                out << queue.takeNext();
            QCOMPARE(out.size(), releasedAfterEach[i]);
        }
        for (int i = 0; i < out.size(); ++i)
            QCOMPARE(out[i], QString::number(i));
        QVERIFY(queue.isEmpty());
    }

    void progressText_data()
    {
        QTest::addColumn<int>("secondsLeft");
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown") << -1 << "12 of 340";
        QTest::newRow("seconds") << 0 << "12 of 340, about 1 s left";
        QTest::newRow("under a minute") << 59 << "12 of 340, about 59 s left";
        QTest::newRow("minutes rounded") << 3 * 60 + 29 << "12 of 340, about 3 min left";
        QTest::newRow("rounded up") << 3 * 60 + 30 << "12 of 340, about 4 min left";
    }
    void progressText()
    {
        QFETCH(int, secondsLeft);
        QFETCH(QString, text);
        QCOMPARE(::progressText(12, 340, secondsLeft), text);
    }

    // A length gives the WAV size at 176,400 bytes a second with 5 % to
    // spare; a size alone is read as 64 kbit/s. Songs in hand keep their
    // share whatever they have written so far.
    void wavSpace()
    {
        QCOMPARE(wavBytesForLength(240000), qint64(240 * 176400 * 1.05) + 4096);
        QCOMPARE(wavBytesForSize(8000 * 240), qint64(241 * 176400 + 4096));
        QVERIFY(hasRoomForWav(1000, 0, 1000));
        QVERIFY(!hasRoomForWav(1000, 1, 1000));
        QVERIFY(hasRoomForWav(-1, 0, 1000));
    }

    void jobCount_data()
    {
        const int cores = qBound(1, QThread::idealThreadCount(), 64);
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<int>("jobs");
        QTest::newRow("unset") << QVariant() << cores;
        QTest::newRow("three") << QVariant(3) << 3;
        QTest::newRow("text four") << QVariant("4") << 4;
        QTest::newRow("zero") << QVariant(0) << cores;
        QTest::newRow("too many") << QVariant(1000) << cores;
        QTest::newRow("not a number") << QVariant("lots") << cores;
    }
    void jobCount()
    {
        QFETCH(QVariant, setting);
        QFETCH(int, jobs);
        QCOMPARE(analysisJobCount(setting), jobs);
    }

    // The runner-up level counts only beside a tempo, and only as a number
    // the app could store as a BPM.
    void analyserAlternative_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<double>("bpm");
        QTest::addColumn<double>("alternative");
        QTest::newRow("sure: no line") << QByteArray("BPM: 120\n") << 120. << 0.;
        QTest::newRow("half tempo, double named") << QByteArray("BPM: 63.5\nAlternative: 127\n") << 63.5 << 127.;
        QTest::newRow("fraction kept") << QByteArray("BPM: 90\nAlternative: 67.5\n") << 90. << 67.5;
        QTest::newRow("CRLF") << QByteArray("BPM: 90\r\nAlternative: 120\r\n") << 90. << 120.;
        QTest::newRow("range ends kept") << QByteArray("BPM: 100\nAlternative: 200.9\n") << 100. << 200.9;
        QTest::newRow("lower end kept") << QByteArray("BPM: 100\nAlternative: 50\n") << 100. << 50.;
        QTest::newRow("garbage") << QByteArray("BPM: 120\nAlternative: fast\n") << 120. << 0.;
        QTest::newRow("empty value") << QByteArray("BPM: 120\nAlternative: \n") << 120. << 0.;
        QTest::newRow("below range") << QByteArray("BPM: 60\nAlternative: 30\n") << 60. << 0.;
        QTest::newRow("above range") << QByteArray("BPM: 150\nAlternative: 300\n") << 150. << 0.;
        QTest::newRow("nan") << QByteArray("BPM: 150\nAlternative: nan\n") << 150. << 0.;
        QTest::newRow("missing BPM line") << QByteArray("Alternative: 120\n") << 0. << 0.;
        QTest::newRow("BPM 0") << QByteArray("BPM: 0\nAlternative: 120\n") << 0. << 0.;
        QTest::newRow("BPM out of range") << QByteArray("BPM: 40\nAlternative: 80\n") << 0. << 0.;
        QTest::newRow("before the BPM line still read") << QByteArray("Alternative: 60\nBPM: 120\n") << 120. << 60.;
        QTest::newRow("last line wins") << QByteArray("BPM: 90\nAlternative: 180\nAlternative: x\n") << 90. << 0.;
        QTest::newRow("label without blank is not the label")
            << QByteArray("BPM: 90\nAlternatives: 180\n") << 90. << 0.;
    }
    void analyserAlternative()
    {
        QFETCH(QByteArray, output);
        QFETCH(double, bpm);
        QFETCH(double, alternative);
        const AnalyserTempo tempo = analyserTempo(piecesOf(output).pieces);
        QCOMPARE(tempo.bpm, bpm);
        QCOMPARE(tempo.alternative, alternative);
    }

    void foldIntoRange_data()
    {
        QTest::addColumn<double>("bpm");
        QTest::addColumn<double>("alternative");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<double>("foldedBpm");
        QTest::addColumn<double>("foldedAlternative");
        QTest::newRow("inside, untouched") << 100. << 0. << 70 << 140 << 100. << 0.;
        QTest::newRow("inside keeps the analyser's Alternative") << 100. << 150. << 70 << 140 << 100. << 150.;
        QTest::newRow("below: doubled, the found level is the Alternative") << 63.5 << 0. << 70 << 140 << 127. << 63.5;
        QTest::newRow("above: halved") << 172. << 0. << 70 << 140 << 86. << 172.;
        QTest::newRow("the Alternative names the other level") << 180. << 120. << 70 << 140 << 90. << 180.;
        QTest::newRow("lower end inside") << 70. << 0. << 70 << 140 << 70. << 0.;
        QTest::newRow("upper end's fraction inside") << 140.9 << 0. << 70 << 140 << 140.9 << 0.;
        QTest::newRow("just above the upper end") << 141. << 0. << 70 << 140 << 70.5 << 141.;
        QTest::newRow("just below the lower end") << 69.9 << 0. << 70 << 140 << 139.8 << 69.9;
        QTest::newRow("doubling overshoots a narrow range") << 60. << 0. << 90 << 110 << 60. << 0.;
        QTest::newRow("halving undershoots a narrow range") << 190. << 0. << 100 << 120 << 190. << 0.;
        QTest::newRow("halving lands on the lower end") << 160. << 0. << 80 << 100 << 80. << 160.;
        QTest::newRow("full range changes nothing") << 50. << 0. << 50 << 200 << 50. << 0.;
        QTest::newRow("no tempo stays none") << 0. << 0. << 70 << 140 << 0. << 0.;
    }
    void foldIntoRange()
    {
        QFETCH(double, bpm);
        QFETCH(double, alternative);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(double, foldedBpm);
        QFETCH(double, foldedAlternative);
        const AnalyserTempo folded = ::foldIntoRange({bpm, alternative}, {low, high});
        QCOMPARE(folded.bpm, foldedBpm);
        QCOMPARE(folded.alternative, foldedAlternative);
    }

    // What reaches the song: the exact tempo, which it shows as the nearest
    // whole BPM, and the Alternative as a whole BPM.
    void analysedLevels_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("range");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("tempo");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("alternative");
        QTest::newRow("a half rounds up") << QByteArray("BPM: 127.5\n") << "50-200" << true << 127.5 << 128 << 0;
        QTest::newRow("below a half rounds down")
            << QByteArray("BPM: 127.4\n") << "50-200" << true << 127.4 << 127 << 0;
        QTest::newRow("unsure, the double named")
            << QByteArray("BPM: 87.5\nAlternative: 175\n") << "50-200" << true << 87.5 << 88 << 175;
        QTest::newRow("the Alternative rounded")
            << QByteArray("BPM: 120\nAlternative: 59.5\n") << "50-200" << true << 120. << 120 << 60;
        QTest::newRow("an Alternative of the same whole BPM is none")
            << QByteArray("BPM: 120.2\nAlternative: 119.6\n") << "50-200" << true << 120.2 << 120 << 0;
        QTest::newRow("the upper end's fraction stays 200")
            << QByteArray("BPM: 200.9\n") << "50-200" << true << 200.9 << 200 << 0;
        QTest::newRow("doubled into the range, the found level rounded")
            << QByteArray("BPM: 63.5\n") << "70-140" << true << 127. << 127 << 64;
        QTest::newRow("halved into the range keeps the half")
            << QByteArray("BPM: 171\n") << "70-140" << true << 85.5 << 86 << 171;
        QTest::newRow("no tempo") << QByteArray("BPM: 0\nAlternative: 120\n") << "50-200" << false << 0. << 0 << 0;
        QTest::newRow("whole part below 50") << QByteArray("BPM: 49.9\n") << "50-200" << false << 0. << 0 << 0;
    }
    void analysedLevels()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, range);
        QFETCH(bool, found);
        QFETCH(double, tempo);
        QFETCH(int, bpm);
        QFETCH(int, alternative);
        const std::optional<BpmLevels> levels = ::analysedLevels(piecesOf(output).pieces, bpmRangeFromText(range));
        QCOMPARE(levels.has_value(), found);
        if (!found)
            return;
        QCOMPARE(levels->tempo, tempo);
        QCOMPARE(levels->bpm(), bpm);
        QCOMPARE(levels->alternative, alternative);
    }
};

VELMORA_TEST_MAIN(TestAnalysisRules)
#include "tst_analysisrules.moc"
