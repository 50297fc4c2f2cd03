#include "audiofixtures.h"
#include "tags/bpmtagwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace AudioFixtures;

namespace {

const QStringList songTags{"-metadata", "title=Tïtle",       "-metadata", "artist=Artist",
                           "-metadata", "album=Album",       "-metadata", "genre=Rock",
                           "-metadata", "album_artist=Band", "-metadata", "composer=Writer",
                           "-metadata", "date=2001",         "-metadata", "track=3"};

mode_t modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

// Where each reader finds the BPM after a write.
enum class BpmReader { FfprobeId3, FfprobeXiph, MutagenId3, MutagenMp4 };
Q_DECLARE_METATYPE(BpmReader)

enum class Fault {
    ReadOnlyFile,
    ReadOnlyFolder,
    Vanished,
    ReplacedByFolder,
    ZeroBytes,
    Corrupt,
    NotAudio,
    HardLinked,
    ZeroBpm,
    BpmTooHigh
};
Q_DECLARE_METATYPE(Fault)

class TestBpmTagWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesTheBpmAndNothingElse_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("withPicture");
        QTest::addColumn<bool>("withChapters");
        QTest::addColumn<BpmReader>("reader");
        QTest::addColumn<QString>("id3Version");

        const QStringList mp3v23 = songTags + QStringList{"-id3v2_version", "3"};
        const QStringList mp3v24 = songTags + QStringList{"-id3v2_version", "4"};
        QTest::newRow("MP3, ID3v2.3, picture, chapters")
            << "song.mp3" << mp3v23 << true << true << BpmReader::FfprobeId3 << "2.3";
        QTest::newRow("MP3, ID3v2.4, picture, chapters")
            << "song.mp3" << mp3v24 << true << true << BpmReader::FfprobeId3 << "2.4";
        QTest::newRow("MP3, ID3v2.4 with an old BPM") << "song.mp3" << mp3v24 + QStringList{"-metadata", "TBPM=90"}
                                                      << false << false << BpmReader::FfprobeId3 << "2.4";
        QTest::newRow("MP3 without an ID3v2 tag")
            << "song.mp3" << QStringList{"-id3v2_version", "0"} << false << false << BpmReader::FfprobeId3 << "2.3";
        QTest::newRow("M4A, picture, chapters")
            << "song.m4a" << songTags + QStringList{"-c:a", "aac"} << true << true << BpmReader::MutagenMp4 << "";
        QTest::newRow("FLAC, picture") << "song.flac" << songTags << true << false << BpmReader::FfprobeXiph << "";
        QTest::newRow("FLAC with an old BPM") << "song.flac" << songTags + QStringList{"-metadata", "bpm=90"} << false
                                              << false << BpmReader::FfprobeXiph << "";
        QTest::newRow("Ogg Vorbis") << "song.ogg" << songTags + QStringList{"-c:a", "libvorbis"} << false << false
                                    << BpmReader::FfprobeXiph << "";
        QTest::newRow("Opus") << "song.opus" << songTags + QStringList{"-c:a", "libopus"} << false << false
                              << BpmReader::FfprobeXiph << "";
        // ffmpeg prefers a WAV file's INFO chunk to its ID3 chunk, so mutagen reads the latter.
        QTest::newRow("WAV with INFO tags")
            << "song.wav" << songTags << false << false << BpmReader::MutagenId3 << "2.3";
        QTest::newRow("AIFF with an ID3v2.4 chunk") << "song.aiff" << songTags + QStringList{"-write_id3v2", "1"}
                                                    << false << false << BpmReader::MutagenId3 << "2.4";
    }
    void writesTheBpmAndNothingElse()
    {
        QFETCH(QString, fileName);
        QFETCH(QStringList, options);
        QFETCH(bool, withPicture);
        QFETCH(bool, withChapters);
        QFETCH(BpmReader, reader);
        QFETCH(QString, id3Version);

        QTemporaryDir folder;
        const QString path = folder.filePath(fileName);
        QVERIFY(make(path, options, withPicture, withChapters));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(::setxattr(QFile::encodeName(path).constData(), "user.note", "kept", 4, 0) == 0);
        const QStringList bpmKeys{"TBPM", "BPM"};
        const QMap<QString, QString> tagsBefore = probe(path, bpmKeys);
        const QByteArray audioBefore = decodedMd5(path);
        QVERIFY(!audioBefore.isEmpty());
        QCOMPARE(tagsBefore.value("chapter1").isEmpty(), !withChapters);

        const BpmWriteResult result = writeBpmTag(path, 123);
        QVERIFY2(result.written(), qPrintable(result.reason));

        switch (reader) {
        case BpmReader::FfprobeId3:
            QCOMPARE(probe(path).value("tbpm"), QStringLiteral("123"));
            break;
        case BpmReader::FfprobeXiph: {
            const QMap<QString, QString> tags = probe(path);
            QCOMPARE(tags.value(tags.contains("bpm") ? "bpm" : "stream0.bpm"), QStringLiteral("123"));
            break;
        }
        case BpmReader::MutagenId3:
            QCOMPARE(mutagenTags(path).value("TBPM"), QStringLiteral("123"));
            break;
        case BpmReader::MutagenMp4:
            QCOMPARE(mutagenTags(path).value("tmpo"), QStringLiteral("123"));
            break;
        }
        if (!id3Version.isEmpty())
            QCOMPARE(mutagenTags(path).value("id3version"), id3Version);
        QCOMPARE(probe(path, bpmKeys), tagsBefore);
        QCOMPARE(decodedMd5(path), audioBefore);
        QCOMPARE(modeOf(path), mode_t(0640));
        char note[8] = {};
        QCOMPARE(::getxattr(QFile::encodeName(path).constData(), "user.note", note, sizeof note), ssize_t(4));
        QCOMPARE(QByteArray(note), QByteArray("kept"));
        QCOMPARE(folderEntries(folder.path()), QStringList{fileName});
    }

    void followsASymbolicLink()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath("music/song.mp3");
        QVERIFY(QDir(folder.path()).mkdir("music"));
        QVERIFY(make(target, songTags));
        const QString link = folder.filePath("link.mp3");
        QVERIFY(QFile::link(target, link));
        QVERIFY(writeBpmTag(link, 77).written());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(probe(target).value("tbpm"), QStringLiteral("77"));
    }

    // What a writer killed between naming its copy and the rename leaves
    // behind goes with the next write of that file, unless a living writer
    // still holds it.
    void leftoverCopy_data()
    {
        QTest::addColumn<bool>("held");
        QTest::newRow("left by a killed writer") << false;
        QTest::newRow("held by a living writer") << true;
    }
    void leftoverCopy()
    {
        QFETCH(bool, held);
        QTemporaryDir folder;
        const QString path = folder.filePath("song.flac");
        QVERIFY(make(path, songTags));
        const QString leftover = folder.filePath(".song.flac.bpmwrite");
        QVERIFY(QFile::copy(path, leftover));
        const int fd = ::open(QFile::encodeName(leftover).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        if (held)
            QVERIFY(::flock(fd, LOCK_EX) == 0);
        const QByteArray before = contents(path);

        const BpmWriteResult result = writeBpmTag(path, 99);
        ::close(fd);
        QCOMPARE(int(result.status), int(held ? BpmWriteStatus::Busy : BpmWriteStatus::Written));
        QCOMPARE(contents(path) == before, held);
        QCOMPARE(QFile::exists(leftover), held);
    }

    void refusesAndLeavesTheFileAlone_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("status");
        QTest::newRow("read-only file") << Fault::ReadOnlyFile << int(BpmWriteStatus::ReadOnlyFile);
        QTest::newRow("read-only folder") << Fault::ReadOnlyFolder << int(BpmWriteStatus::ReadOnlyFolder);
        QTest::newRow("vanished") << Fault::Vanished << int(BpmWriteStatus::Missing);
        QTest::newRow("replaced by a folder") << Fault::ReplacedByFolder << int(BpmWriteStatus::NotAFile);
        QTest::newRow("zero bytes") << Fault::ZeroBytes << int(BpmWriteStatus::NotReadable);
        QTest::newRow("corrupt") << Fault::Corrupt << int(BpmWriteStatus::NotReadable);
        QTest::newRow("not audio") << Fault::NotAudio << int(BpmWriteStatus::UnknownFormat);
        QTest::newRow("hard-linked") << Fault::HardLinked << int(BpmWriteStatus::HardLinked);
        QTest::newRow("BPM 0") << Fault::ZeroBpm << int(BpmWriteStatus::InvalidBpm);
        QTest::newRow("BPM 201") << Fault::BpmTooHigh << int(BpmWriteStatus::InvalidBpm);
    }
    void refusesAndLeavesTheFileAlone()
    {
        QFETCH(Fault, fault);
        QFETCH(int, status);

        QTemporaryDir scratch;
        const QString folder = scratch.filePath("music");
        QVERIFY(QDir().mkdir(folder));
        QString path = folder + "/song.mp3";
        QVERIFY(make(path, songTags));
        int bpm = 120;
        switch (fault) {
        case Fault::ReadOnlyFile:
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            break;
        case Fault::ReadOnlyFolder:
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
            break;
        case Fault::Vanished:
            QVERIFY(QFile::remove(path));
            break;
        case Fault::ReplacedByFolder:
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
            break;
        case Fault::ZeroBytes:
            QVERIFY(QFile(path).resize(0));
            break;
        case Fault::Corrupt: {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(20000, '\x5a'));
            break;
        }
        case Fault::NotAudio:
            QVERIFY(QFile::rename(path, folder + "/song.txt"));
            path = folder + "/song.txt";
            break;
        case Fault::HardLinked:
            QVERIFY(
                ::link(QFile::encodeName(path).constData(), QFile::encodeName(scratch.filePath("twin.mp3")).constData())
                == 0);
            break;
        case Fault::ZeroBpm:
            bpm = 0;
            break;
        case Fault::BpmTooHigh:
            bpm = 201;
            break;
        }
        const QByteArray before = contents(path);
        const QStringList entriesBefore = folderEntries(folder);

        const BpmWriteResult result = writeBpmTag(path, bpm);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(int(result.status), status);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(contents(path), before);
        QCOMPARE(folderEntries(folder), entriesBefore);
    }
};

QTEST_GUILESS_MAIN(TestBpmTagWriter)
#include "tst_bpmtagwriter.moc"
