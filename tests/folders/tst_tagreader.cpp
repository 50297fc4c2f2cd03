#include "songfiles.h"
#include "testenvironment.h"
#include "tags/tagreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/inotify.h>
#include <unistd.h>

// Each format's own fields, in files that ffmpeg made, read back by the tag
// reader; and files that look like audio by name but are not.
class TestTagReader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QStringList fullTags(const QString &bpmKey, const QString &bpm)
    {
        return {"title=Ünïcødé ♪",           "artist=The Artist", "album=The Album", "genre=Jazz",
                "album_artist=Album Artist", "composer=Composer", bpmKey + "=" + bpm};
    }

private slots:
    void initTestCase()
    {
        if (!haveFfmpeg())
            QSKIP("ffmpeg is not installed");
    }

    void readsEachFormatsTags_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("metadata");
        QTest::addColumn<QStringList>("extraArgs");
        QTest::addColumn<QString>("bpm");

        QTest::newRow("MP3, ID3v2.3 TBPM")
            << "v23.mp3" << fullTags("TBPM", "121") << QStringList{"-id3v2_version", "3"} << "121";
        QTest::newRow("MP3, ID3v2.4 TBPM")
            << "v24.mp3" << fullTags("TBPM", "120.5") << QStringList{"-id3v2_version", "4"} << "120.5";
        QTest::newRow("M4A tmpo") << "song.m4a" << fullTags("tmpo", "122") << QStringList() << "122";
        QTest::newRow("ALAC in M4A") << "alac.m4a" << fullTags("tmpo", "97") << QStringList{"-c:a", "alac"} << "97";
        QTest::newRow("FLAC BPM comment") << "song.flac" << fullTags("BPM", "123") << QStringList() << "123";
        QTest::newRow("Ogg Vorbis BPM comment") << "song.ogg" << fullTags("BPM", "abc") << QStringList() << "abc";
        QTest::newRow("Opus BPM comment") << "song.opus" << fullTags("BPM", "-3") << QStringList() << "-3";
        QTest::newRow("AIFF ID3 chunk") << "song.aiff" << fullTags("TBPM", "1e9") << QStringList{"-write_id3v2", "1"}
                                        << "1e9";
    }
    void readsEachFormatsTags()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, metadata);
        QFETCH(QStringList, extraArgs);
        QFETCH(QString, bpm);
        const QString path = dir.filePath(fileName);
        QVERIFY(makeSongFile(path, metadata, extraArgs));

        const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        QVERIFY(tags);
        QCOMPARE(tags->title, QString("Ünïcødé ♪"));
        QCOMPARE(tags->artist, QString("The Artist"));
        QCOMPARE(tags->albumTitle, QString("The Album"));
        QCOMPARE(tags->genre, QString("Jazz"));
        QCOMPARE(tags->albumArtist, QString("Album Artist"));
        QCOMPARE(tags->composer, QString("Composer"));
        QCOMPARE(tags->bpm, bpm);
    }

    void readsTheId3ChunkOfAWav()
    {
        const QString path = dir.filePath("song.wav");
        QVERIFY(makeSongFile(path, {"title=Info Title"}));
        QVERIFY(addWavId3Chunk(path, {{"TIT2", "Id3 Title"}, {"TCOM", "Composer"}, {"TBPM", "124"}}));
        const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        QVERIFY(tags);
        QCOMPARE(tags->title, QString("Id3 Title"));
        QCOMPARE(tags->composer, QString("Composer"));
        QCOMPARE(tags->bpm, QString("124"));
    }

    // A file watcher takes a file closed after writing for a changed one; a
    // scan only reads, so it must open each song read-only.
    void readingLeavesNoTraceOfAWrite()
    {
        const QString path = dir.filePath("watched.mp3");
        QVERIFY(makeSongFile(path, {"title=Watched"}));
        const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watcher >= 0);
        QVERIFY(::inotify_add_watch(watcher, QFile::encodeName(path).constData(), IN_CLOSE_WRITE | IN_MODIFY) >= 0);
        QVERIFY(readSongTags(QFile::encodeName(path)));
        char events[4096];
        const ssize_t got = ::read(watcher, events, sizeof events);
        ::close(watcher);
        QCOMPARE(got, ssize_t(-1));
    }

    void untaggedAudioReadsEmpty()
    {
        const QString path = dir.filePath("bare.flac");
        QVERIFY(makeSongFile(path, {}, {"-map_metadata", "-1", "-fflags", "+bitexact"}));
        const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        QVERIFY(tags);
        QVERIFY(tags->title.isEmpty());
        QVERIFY(tags->bpm.isEmpty());
    }

    // TagLib opens MP3 and WAV files of any content; only a file with an
    // audio stream is a song.
    void refusesWhatIsNotAudio_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        const QByteArray noise = QByteArray(4096, '\x5a');
        QTest::newRow("zero-byte MP3") << "empty.mp3" << QByteArray();
        QTest::newRow("zero-byte WAV") << "empty.wav" << QByteArray();
        QTest::newRow("zero-byte M4A") << "empty.m4a" << QByteArray();
        QTest::newRow("text named MP3") << "text.mp3" << QByteArray("just some words\n");
        QTest::newRow("noise named FLAC") << "noise.flac" << noise;
        QTest::newRow("noise named Opus") << "noise.opus" << noise;
        QTest::newRow("RIFF header only") << "header.wav" << QByteArray("RIFF\x04\0\0\0WAVE", 12);
        // An ID3 header claiming far more bytes than the file holds.
        QTest::newRow("ID3 size past the end") << "tagonly.mp3" << QByteArray("ID3\x03\0\0\x7f\x7f\x7f\x7fTIT2", 14);
    }
    void refusesWhatIsNotAudio()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFile file(dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QVERIFY(!readSongTags(QFile::encodeName(file.fileName())));
    }

    void survivesHugeAndTruncatedTags()
    {
        // A title of 100 KB (ffmpeg's argument limit), which a record takes
        // cut to 64 Ki characters and marked, and the same file cut off in
        // the middle of its tag.
        const QString path = dir.filePath("huge.mp3");
        QVERIFY(makeSongFile(path, {"title=" + QString(100000, 'x'), "TBPM=99"}));
        std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
        QVERIFY(tags);
        QCOMPARE(tags->title.size(), 64 * 1024);
        QVERIFY(tags->title.endsWith(QChar(0x2026)));
        QCOMPARE(tags->title.count('x'), 64 * 1024 - 1);
        QCOMPARE(tags->bpm, QString("99"));

        QFile whole(path);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.read(50000);
        QFile cut(dir.filePath("cut.mp3"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes);
        cut.close();
        QVERIFY(!readSongTags(QFile::encodeName(cut.fileName())));
    }
};

VELMORA_TEST_MAIN(TestTagReader)
#include "tst_tagreader.moc"
