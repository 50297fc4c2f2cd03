// The pieces of pcmdump that work without FFmpeg: WAV writing and temp files.

#include "tempwav.h"
#include "wavformat.h"
#include "wavwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestPcmdumpCore : public QObject
{
    Q_OBJECT

private slots:
    void writerPatchesSizesAfterBufferedData();
    void writerRefusesDataBeyondItsLimit();
    void writerReportsAFullDisk();
    void tempDirectoryFollowsTmpdir_data();
    void tempDirectoryFollowsTmpdir();
    void wavFileNamesAreUniqueAndSafe();
    void unpublishedFileLeavesNothing();
    void publishedFileIsRemovedUnlessKept_data();
    void publishedFileIsRemovedUnlessKept();
    void createFailsInAMissingDirectory();
};

void TestPcmdumpCore::writerPatchesSizesAfterBufferedData()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.wav");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    QVERIFY(fd >= 0);

    // Uneven pieces, together more than the writer buffers at once.
    QByteArray expected;
    {
        pcmdump::WavWriter writer(fd);
        for (int piece = 0; piece < 700; ++piece) {
            const QByteArray bytes(4 * (1 + piece % 977), char('a' + piece % 26));
            QVERIFY(writer.append(reinterpret_cast<const unsigned char *>(bytes.constData()), size_t(bytes.size())));
            expected += bytes;
        }
        QVERIFY2(writer.finish(), writer.error().c_str());
        QCOMPARE(qsizetype(writer.dataBytes()), expected.size());
    }
    ::close(fd);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 44 + expected.size());
    QCOMPARE(bytes.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));
    QCOMPARE(bytes.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(bytes.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(expected.size()));
    QVERIFY(bytes.mid(44) == expected);
}

void TestPcmdumpCore::writerRefusesDataBeyondItsLimit()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    pcmdump::WavWriter writer(file.handle(), 8);
    const unsigned char frames[12] = {};
    QVERIFY(writer.append(frames, 8));
    QVERIFY(!writer.append(frames, 4));
    QVERIFY(!writer.error().empty());
    QVERIFY(!writer.finish());
}

void TestPcmdumpCore::writerReportsAFullDisk()
{
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        QSKIP("no /dev/full here");
    const QByteArray second(44100 * 4, '\x01');
    bool ok = true;
    {
        pcmdump::WavWriter writer(fd);
        for (int i = 0; i < 10 && ok; ++i)
            ok = writer.append(reinterpret_cast<const unsigned char *>(second.constData()), size_t(second.size()));
        ok = ok && writer.finish();
        QVERIFY(!ok);
        QVERIFY2(writer.error().find(std::strerror(ENOSPC)) != std::string::npos, writer.error().c_str());
    }
    ::close(fd);
}

void TestPcmdumpCore::tempDirectoryFollowsTmpdir_data()
{
    QTest::addColumn<QByteArray>("tmpdir");
    QTest::addColumn<bool>("tmpdirSet");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unset") << QByteArray() << false << "/tmp";
    QTest::newRow("empty") << QByteArray("") << true << "/tmp";
    QTest::newRow("absolute") << QByteArray("/var/scratch") << true << "/var/scratch";
    QTest::newRow("trailing slashes") << QByteArray("/var/scratch//") << true << "/var/scratch";
    QTest::newRow("root") << QByteArray("/") << true << "/";
    QTest::newRow("relative") << QByteArray("scratch") << true << "/home/dj/scratch";
}

void TestPcmdumpCore::tempDirectoryFollowsTmpdir()
{
    QFETCH(QByteArray, tmpdir);
    QFETCH(bool, tmpdirSet);
    QFETCH(QString, expected);
    const std::string directory = pcmdump::tempDirectory(tmpdirSet ? tmpdir.constData() : nullptr, "/home/dj");
    QCOMPARE(QString::fromStdString(directory), expected);
}

void TestPcmdumpCore::wavFileNamesAreUniqueAndSafe()
{
    const QRegularExpression pattern("^pcmdump-[A-Za-z0-9]{6}\\.wav$");
    QSet<QString> names;
    for (std::uint64_t random : {std::uint64_t(0), std::uint64_t(1), std::uint64_t(61), std::uint64_t(62),
                                 std::uint64_t(0x123456789abcdefULL), ~std::uint64_t(0)}) {
        const QString name = QString::fromStdString(pcmdump::wavFileName(random));
        QVERIFY2(pattern.match(name).hasMatch(), qPrintable(name));
        names.insert(name);
    }
    QCOMPARE(names.size(), 6);
}

void TestPcmdumpCore::unpublishedFileLeavesNothing()
{
    QTemporaryDir dir;
    {
        pcmdump::TempWavFile wav(dir.path().toStdString());
        std::string error;
        QVERIFY2(wav.create(error), error.c_str());
        QCOMPARE(::write(wav.fd(), "partial", 7), ssize_t(7));
    }
    QCOMPARE(entriesOf(dir.path()), QStringList());
}

void TestPcmdumpCore::publishedFileIsRemovedUnlessKept_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("kept") << true;
    QTest::newRow("not kept") << false;
}

void TestPcmdumpCore::publishedFileIsRemovedUnlessKept()
{
    QFETCH(bool, keep);
    QTemporaryDir dir;
    QString path;
    {
        pcmdump::TempWavFile wav(dir.path().toStdString());
        std::string error;
        QVERIFY2(wav.create(error), error.c_str());
        QCOMPARE(::write(wav.fd(), "whole", 5), ssize_t(5));
        QVERIFY2(wav.publish(error), error.c_str());
        path = QString::fromStdString(wav.path());
        QCOMPARE(entriesOf(dir.path()), QStringList{QFileInfo(path).fileName()});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("whole"));
        if (keep)
            wav.keep();
    }
    QCOMPARE(QFile::exists(path), keep);
}

void TestPcmdumpCore::createFailsInAMissingDirectory()
{
    QTemporaryDir dir;
    const std::string missing = dir.filePath("gone").toStdString();
    pcmdump::TempWavFile wav(missing);
    std::string error;
    QVERIFY(!wav.create(error));
    QVERIFY2(error.find(missing) != std::string::npos, error.c_str());
    QCOMPARE(entriesOf(dir.path()), QStringList());
}

QTEST_GUILESS_MAIN(TestPcmdumpCore)
#include "tst_pcmdumpcore.moc"
