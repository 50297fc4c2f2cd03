#include "audiofixtures.h"
#include "id3fixtures.h"
#include "tags/bpmtagwriter.h"

#include <QTemporaryDir>
#include <QTest>

using namespace AudioFixtures;
using namespace Id3Fixtures;

namespace {

bool putContents(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// mutagen names the frames of a 2.2 tag by their later IDs, TBPM among them.
QMap<QString, QString> withoutBpm(QMap<QString, QString> frames)
{
    frames.remove("TBPM");
    return frames;
}

QByteArray bigEndian32(quint32 value)
{
    return QByteArray(1, char(value >> 24)) + char(value >> 16) + char(value >> 8) + char(value);
}

QByteArray cover() { return QByteArray("\0image/png\0\x03front\0", 18) + QByteArray(50 * 1024, '\x89'); }

QByteArray comment() { return QByteArray("\0eng\0A comment", 14); }

} // namespace

// Tags as they are found in the wild, some of which TagLib stops reading
// part way, written through the tag writer and read back by mutagen: every
// frame but the BPM must come back as it was, or the file must be refused
// and left exactly as it was.
class TestTagKeeping : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

private slots:
    void initTestCase()
    {
        if (!haveMutagen())
            QSKIP("/usr/bin/python3 cannot import mutagen (Debian's python3-mutagen)");
    }

    void keepsEveryFrameOrRefuses_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("version");

        const QByteArray title = text("Title");
        QTest::newRow("2.3 with an empty TCOM, a comment and a 50 KB cover")
            << "song.mp3"
            << tag(3,
                   {frame(3, "TIT2", title), frame(3, "TPE1", text("Artist")), frame(3, "TCOM", {}),
                    frame(3, "TALB", text("Album")), frame(3, "COMM", comment()), frame(3, "APIC", cover())},
                   256)
            << true << "2.3";
        QTest::newRow("2.3 with an empty TBPM")
            << "song.mp3"
            << tag(3, {frame(3, "TIT2", title), frame(3, "TBPM", {}), frame(3, "TALB", text("Album"))}, 64) << true
            << "2.3";
        QTest::newRow("lower-case tit2 in 2.3")
            << "song.mp3" << tag(3, {frame(3, "tit2", title), frame(3, "TALB", text("Album"))}, 64) << true << "2.3";
        QTest::newRow("lower-case tit2 in 2.4")
            << "song.mp3" << tag(4, {frame(4, "tit2", title), frame(4, "TALB", text("Album"))}, 64) << true << "2.4";
        QTest::newRow("TT2 in a 2.4 tag")
            << "song.mp3" << tag(4, {frame(4, QByteArray("TT2\0", 4), title), frame(4, "TALB", text("Album"))}, 64)
            << true << "2.4";
        // Sizes as 2.3 writes them, which some programs put in 2.4 tags.
        QTest::newRow("2.4 with plain frame sizes")
            << "song.mp3" << tag(4, {frame(3, "TIT2", text(QByteArray(200, 'x'))), frame(3, "TALB", text("Album"))}, 64)
            << true << "2.4";
        QTest::newRow("compressed TIT2 in 2.4, no padding")
            << "song.mp3"
            << tag(4, {compressedFrame("TIT2", text(QByteArray(200 * 1024, 'a'))), frame(4, "TALB", text("Album"))}, 0)
            << true << "2.4";
        QTest::newRow("malformed UTF-16 TALB") << "song.mp3"
                                               << tag(3,
                                                      {frame(3, "TIT2", title),
                                                       frame(3, "TALB",
                                                             QByteArray("\x01\xff\xfe"
                                                                        "A",
                                                                        4))},
                                                      64)
                                               << true << "2.3";
        QTest::newRow("2.2 tag with an old BPM")
            << "song.mp3"
            << tag(2, {frame(2, "TT2", title), frame(2, "TBP", text("90")), frame(2, "TAL", text("Album"))}, 64) << true
            << "2.2";

        QTest::newRow("WAV chunk with a compressed frame and a lower-case ID")
            << "song.wav"
            << wavWithId3Chunk(
                   tag(4, {compressedFrame("TIT2", text(QByteArray(50000, 'w'))), frame(4, "tpe1", title)}, 64))
            << true << "2.4";
        QTest::newRow("WAV chunk without padding, which grows")
            << "song.wav" << wavWithId3Chunk(tag(3, {frame(3, "TIT2", title), frame(3, "TALB", text("Album"))}, 0))
            << true << "2.3";

        const QByteArray overrun = QByteArray("ID3\x03\0\0\0\0\0\x14", 10) + "TIT2" + bigEndian32(100)
            + QByteArray(2, '\0') + text("Title") + QByteArray(4, '\0');
        QTest::newRow("a frame running past the tag") << "song.mp3" << overrun << false << "";
        QByteArray dirtyPadding = tag(3, {frame(3, "TIT2", title)}, 32);
        dirtyPadding[dirtyPadding.size() - 10] = 'x';
        QTest::newRow("bytes in the padding") << "song.mp3" << dirtyPadding << false << "";
        QTest::newRow("an unsynchronised 2.3 tag")
            << "song.mp3" << tag(3, {frame(3, "TIT2", title)}, 32, char(0x80)) << false << "";
        const QByteArray withCrc = bigEndian32(10) + QByteArray("\x80\0", 2) + bigEndian32(32) + bigEndian32(0x1234);
        QTest::newRow("an extended header with a CRC")
            << "song.mp3" << tag(3, {withCrc + frame(3, "TIT2", title)}, 32, char(0x40)) << false << "";
        QTest::newRow("version 2.5") << "song.mp3" << tag(5, {frame(4, "TIT2", title)}, 32) << false << "";

        // FLAC: TagLib rewrites a comment whose value is not UTF-8 and drops
        // one without a '='.
        const QString flac = scratch.filePath("made.flac");
        if (make(flac, {"-metadata", "title=ABCD"})) {
            const QByteArray made = contents(flac);
            QTest::newRow("FLAC comment of invalid UTF-8")
                << "song.flac" << QByteArray(made).replace("ABCD", "\xff\xfe\xfd\xfc") << false << "";
            QTest::newRow("FLAC comment without '='")
                << "song.flac" << QByteArray(made).replace("=ABCD", "_ABCD") << false << "";
        }
    }
    void keepsEveryFrameOrRefuses()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(bool, kept);
        QFETCH(QString, version);

        QTemporaryDir folder;
        const QString path = folder.filePath(fileName);
        const QByteArray audio = fileName.endsWith(".mp3") ? silentMpegAudio() : QByteArray();
        QVERIFY(putContents(path, content + audio));
        const QByteArray before = contents(path);
        const QMap<QString, QString> framesBefore = kept ? mutagenFrames(path) : QMap<QString, QString>();

        const BpmWriteResult result = writeBpmTag(path, 123);
        if (!kept) {
            QCOMPARE(int(result.status), int(BpmWriteStatus::TagNotKept));
            QCOMPARE(result.reason, QStringLiteral("the tag holds frames this program cannot keep"));
            QCOMPARE(contents(path), before);
            QCOMPARE(folderEntries(folder.path()), QStringList{fileName});
            return;
        }
        QVERIFY2(result.written(), qPrintable(result.reason));
        const QByteArray after = contents(path);
        QVERIFY(after.endsWith(audio));
        // The tag keeps its length when its padding has room; it never takes
        // in a compressed frame's inflated bytes.
        if (content.endsWith(QByteArray(16, '\0')))
            QCOMPARE(after.size(), before.size());
        else
            QVERIFY(after.size() <= before.size() + 2048);

        QVERIFY(!framesBefore.isEmpty());
        const QMap<QString, QString> framesAfter = mutagenFrames(path);
        QCOMPARE(framesAfter.value("version"), version);
        QCOMPARE(withoutBpm(framesAfter), withoutBpm(framesBefore));
        const QString bpm = framesAfter.value("TBPM");
        QVERIFY2(bpm.contains("text=['123']"), qPrintable(bpm));
    }
};

QTEST_GUILESS_MAIN(TestTagKeeping)
#include "tst_tagkeeping.moc"
