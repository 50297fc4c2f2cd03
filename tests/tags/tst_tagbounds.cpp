#include "analysis/tempspace.h"
#include "app/tagdesk.h"
#include "audiofixtures.h"
#include "id3fixtures.h"
#include "tags/bpmtagwriter.h"
#include "tags/tagreader.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Id3Fixtures;

namespace {

constexpr qint64 bombSize = qint64(100) << 20;
constexpr int longestValue = 64 * 1024;
const QChar cutMark(0x2026);

bool putContents(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray bigEndian32(quint32 value)
{
    return QByteArray(1, char(value >> 24)) + char(value >> 16) + char(value >> 8) + char(value);
}

// A compressed TIT2 holding `count` copies of one letter: 2.4 marks the
// inflated size with a data length indicator, 2.3 puts it before the zlib data.
QByteArray bombTitle(int version, qint64 count)
{
    const QByteArray zlib = deflatedRun('a', count);
    if (version == 3)
        return frame(3, "TIT2", bigEndian32(quint32(count + 1)) + zlib, char(0x80));
    QByteArray size(4, '\0');
    for (int i = 3, value = int(count + 1); i >= 0; --i, value >>= 7)
        size[i] = char(value & 0x7f);
    return frame(4, "TIT2", size + zlib, 0x09);
}

qint64 peakResidentBytes()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// Runs `work` in a child that may take at most `seconds`; true when it
// returned 0 in time. A read that blocks for ever fails the test instead of
// hanging it.
bool returnsWithin(int seconds, int (*work)(const QByteArray &), const QByteArray &path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(unsigned(seconds) + 1);
        ::_exit(work(path));
    }
    QElapsedTimer clock;
    clock.start();
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (clock.elapsed() > seconds * 1000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        QTest::qSleep(10);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// MP4 containers ("moov") each holding the next, `depth` levels deep.
QByteArray nestedMp4Atoms(int depth)
{
    QByteArray bytes;
    bytes.reserve(depth * 8);
    for (int i = 0; i < depth; ++i)
        bytes += bigEndian32(quint32((depth - i) * 8)) + "moov";
    return bytes;
}

int readsNothing(const QByteArray &path) { return readSongTags(path) ? 1 : 0; }

int estimatesFromSize(const QByteArray &path)
{
    return wavBytesNeeded(QFile::decodeName(path)) == wavBytesForSize(0) ? 0 : 1;
}

} // namespace

// Tags that would make a reader inflate or wait without end: every tag read
// returns soon with values of bounded size.
class TestTagBounds : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

private slots:
    void compressedFramesStayBounded_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("realTitle");
        QTest::addColumn<bool>("tagAtStart");

        const QByteArray album = frame(4, "TALB", text("Album"));
        const QByteArray audio = silentMpegAudio();
        QTest::newRow("2.4 title inflating to 100 MB")
            << "bomb.mp3" << tag(4, {bombTitle(4, bombSize), album}, 64) + audio << false << true;
        QTest::newRow("2.3 title inflating to 100 MB")
            << "bomb.mp3" << tag(3, {bombTitle(3, bombSize), frame(3, "TALB", text("Album"))}, 64) + audio << false
            << true;
        QTest::newRow("WAV ID3 chunk, title inflating to 100 MB")
            << "bomb.wav" << wavWithId3Chunk(tag(4, {bombTitle(4, bombSize), album}, 64)) << false << true;

        // TagLib also looks for a tag after junk at the start of an MP3 file.
        QTest::newRow("title inflating to 100 MB, tag after junk")
            << "junk.mp3" << QByteArray(16, 'J') + tag(4, {bombTitle(4, bombSize), album}, 64) + audio << false
            << false;
        QList<QByteArray> many{album};
        for (int i = 0; i < 60; ++i)
            many << bombTitle(4, 900 * 1024);
        QTest::newRow("60 titles inflating to 900 KB each") << "many.mp3" << tag(4, many, 64) + audio << false << true;

        QByteArray words;
        for (int i = 0; words.size() < 100000; ++i)
            words += QByteArray::number(i) + ' ';
        QTest::newRow("a real title of 100 KB, compressed")
            << "long.mp3" << tag(4, {compressedFrame("TIT2", text(words)), album}, 64) + audio << true << true;
    }
    void compressedFramesStayBounded()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(bool, realTitle);
        QFETCH(bool, tagAtStart);
        const QString path = scratch.filePath(fileName);
        QVERIFY(putContents(path, content));

        const qint64 peakBefore = peakResidentBytes();
        QElapsedTimer clock;
        clock.start();
        const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        const qint64 readMs = clock.elapsed();
        QVERIFY(tags);
        QVERIFY2(readMs < 3000, qPrintable(QString::number(readMs)));
        QVERIFY(peakResidentBytes() - peakBefore < (qint64(64) << 20));
        QCOMPARE(tags->albumTitle, QStringLiteral("Album"));
        QVERIFY(tags->title.size() <= longestValue);
        if (realTitle || !tags->title.isEmpty()) {
            QCOMPARE(tags->title.size(), longestValue);
            QVERIFY(tags->title.endsWith(cutMark));
        }

        // Writing its BPM reads it the same bounded way and keeps the frame
        // compressed; a tag after junk is not one it edits.
        clock.restart();
        const BpmWriteResult result = writeBpmTag(path, 123);
        QVERIFY2(result.written() == tagAtStart, qPrintable(result.reason));
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(QFileInfo(path).size() <= content.size() + 2048);
    }

    // Frames and atoms nested thousands deep, which TagLib would follow by
    // recursion until the stack ran out: they are not followed, and the rest
    // of the file reads and takes a BPM as usual.
    void deepNestingIsNotFollowed_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("writable");

        const QByteArray audio = silentMpegAudio();
        const auto album = [](int version) { return frame(version, "TALB", text("Album")); };
        QTest::newRow("2.3 CHAP 20,000 deep")
            << "chap.mp3" << tag(3, {nestedChapters(3, "CHAP", 20000), album(3)}, 64) + audio << true << true;
        QTest::newRow("2.4 CTOC 100,000 deep")
            << "ctoc.mp3" << tag(4, {album(4), nestedChapters(4, "CTOC", 100000)}, 64) + audio << true << true;
        QTest::newRow("WAV ID3 chunk, CHAP 100,000 deep")
            << "chap.wav" << wavWithId3Chunk(tag(4, {nestedChapters(4, "CHAP", 100000), album(4)}, 64)) << true << true;
        // TagLib also looks for a tag after junk; that one is not edited.
        QTest::newRow("CHAP 20,000 deep, tag after junk")
            << "junk.mp3" << QByteArray(16, 'J') + tag(4, {nestedChapters(4, "CHAP", 20000), album(4)}, 64) + audio
            << true << false;
        QTest::newRow("a real chapter with its title")
            << "real.mp3" << tag(4, {nestedChapters(4, "CHAP", 1), album(4)}, 64) + audio << true << true;
        QTest::newRow("MP4 atoms 100,000 deep") << "deep.m4a" << nestedMp4Atoms(100000) << false << false;
    }
    void deepNestingIsNotFollowed()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QFETCH(bool, writable);
        const QString path = scratch.filePath(fileName);
        QVERIFY(putContents(path, content));

        const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        QCOMPARE(bool(tags), readable);
        if (tags)
            QCOMPARE(tags->albumTitle, QStringLiteral("Album"));
        const BpmWriteResult result = writeBpmTag(path, 123);
        QVERIFY2(result.written() == writable, qPrintable(result.reason));
        if (writable) {
            const std::optional<SongTags> written = readSongTags(QFile::encodeName(path));
            QVERIFY(written);
            QCOMPARE(written->bpm, QStringLiteral("123"));
        }
    }

    // A song's location may name a FIFO or a device; each read of its tags
    // must see it is no regular file and return at once.
    void irregularFilesReturnAtOnce_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("FIFO") << QString();
        QTest::newRow("link to /dev/zero") << "/dev/zero";
        QTest::newRow("link to /dev/urandom") << "/dev/urandom";
    }
    void irregularFilesReturnAtOnce()
    {
        QFETCH(QString, target);
        QTemporaryDir folder;
        const QByteArray path = QFile::encodeName(folder.filePath("song.mp3"));
        if (target.isEmpty())
            QVERIFY(::mkfifo(path.constData(), 0600) == 0);
        else
            QVERIFY(QFile::link(target, QFile::decodeName(path)));

        QVERIFY(returnsWithin(5, readsNothing, path));
        QVERIFY(returnsWithin(5, estimatesFromSize, path));
    }

    // Through the folder import: the bomb's song comes in bounded, the deeply
    // nested one without a crash, and the library they are in saves and reads
    // back whole.
    void aBombImportsIntoALibraryThatReopens()
    {
        QTemporaryDir music;
        const QByteArray audio = silentMpegAudio();
        QVERIFY(putContents(music.filePath("bomb.mp3"), tag(4, {bombTitle(4, bombSize)}, 64) + audio));
        QByteArray words;
        while (words.size() < 3 * longestValue)
            words += "word ";
        QVERIFY(putContents(music.filePath("long.mp3"), tag(4, {compressedFrame("TIT2", text(words))}, 64) + audio));
        QVERIFY(putContents(music.filePath("deep.mp3"), tag(3, {nestedChapters(3, "CHAP", 20000)}, 64) + audio));

        const QString library = scratch.filePath("bombs.tgd");
        const qint64 peakBefore = peakResidentBytes();
        {
            Tagdesk window;
            QSignalSpy imported(&window, &Tagdesk::folderImportDone);
            window.importMusicPaths({music.path()}, false);
            QVERIFY(imported.count() == 1 || imported.wait(20000));
            QCOMPARE(SongStore::library().size(), size_t(3));
            QVERIFY(window.writeLibrary(library));
        }
        QVERIFY(peakResidentBytes() - peakBefore < (qint64(64) << 20));
        Tagdesk window;
        QSignalSpy loaded(&window, &Tagdesk::loadFileDone);
        window.loadFile(library);
        QVERIFY(loaded.count() == 1 || loaded.wait(20000));
        QCOMPARE(SongStore::library().size(), size_t(3));
        QStringList titles;
        for (const Song &song : SongStore::library().tableMap())
            titles << song.second.text(SongField::Title);
        titles.sort();
        // The bomb's title was not taken, nor the deep one's (it has none outside
        // its chapters), so those songs are named after their files.
        QCOMPARE(titles.mid(0, 2), (QStringList{"bomb", "deep"}));
        QCOMPARE(titles.last().size(), longestValue);
        QVERIFY(titles.last().endsWith(cutMark));
    }
};

VELMORA_TEST_MAIN(TestTagBounds)
#include "tst_tagbounds.moc"
