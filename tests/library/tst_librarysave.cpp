#include "boundedrun.h"
#include "library/dbelement.h"
#include "library/globals.h"
#include "library/libraryfile.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Saving where the atomic replacement cannot work, or would change more than
// the file's contents.
class TestLibrarySave : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString library;

private slots:
    void init()
    {
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir.path()));
        // Other users may pass through, not create files.
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        library = dir.filePath("songs.tgd");
        QFile old(library);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        tableMap.clear();
        DBelement &song = tableMap[libraryKey(QStringLiteral("7"))];
        song.setPersistentID(QStringLiteral("7"));
        song.setTitle(QStringLiteral("Saved"));
    }
    void cleanup() { tableMap.clear(); }

    void writesInPlaceWhenTheFolderIsNotWritable()
    {
        // A user who may write the file but not its folder (the test runs as root).
        QVERIFY(::chmod(QFile::encodeName(library).constData(), 0666) == 0);
        const BoundedRun run = runBounded(
            [this] {
                if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                    return 3;
                QString error;
                const bool saved = saveLibraryFile(library, &error);
                std::printf("%s\n", saved ? "saved" : qPrintable(error));
                return 0;
            },
            10000, qint64(300) << 20);
        QVERIFY2(run.exited && run.exitCode == 0, qPrintable(run.describe()));
        QCOMPARE(run.out, QByteArray("saved\n"));
        QVERIFY(readFile(library).contains("title=\"Saved\""));
    }

    void keepsHardLinksTogether()
    {
        const QString link = dir.filePath("link.tgd");
        QVERIFY(::link(QFile::encodeName(library).constData(), QFile::encodeName(link).constData()) == 0);
        QVERIFY(saveLibraryFile(library));
        QVERIFY(readFile(link).contains("title=\"Saved\""));
        struct stat status;
        QVERIFY(::stat(QFile::encodeName(library).constData(), &status) == 0);
        QCOMPARE(status.st_nlink, nlink_t(2));
    }

    void keepsTheOwner()
    {
        QVERIFY(::chown(QFile::encodeName(library).constData(), nobody, nobody) == 0);
        QVERIFY(saveLibraryFile(library));
        QVERIFY(readFile(library).contains("title=\"Saved\""));
        struct stat status;
        QVERIFY(::stat(QFile::encodeName(library).constData(), &status) == 0);
        QCOMPARE(status.st_uid, nobody);
        QCOMPARE(status.st_gid, gid_t(nobody));
    }
};

VELMORA_TEST_MAIN(TestLibrarySave)
#include "tst_librarysave.moc"
