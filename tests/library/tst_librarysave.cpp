#include "librarysongs.h"
#include "filebytes.h"
#include "boundedrun.h"
#include "library/dbelement.h"
#include "library/globals.h"
#include "library/libraryfile.h"
#include "library/recoverycopy.h"
#include "smallfilesystem.h"
#include "testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

// A library of songs whose titles start with stem.
void fillLibrary(int songs, const QString &stem)
{
    SongStore::library().clear();
    for (int i = 0; i < songs; ++i) {
        SongStore::library().update(libraryKey(QString::number(i)), [&](DBelement &song) {
            song.setPersistentID(QString::number(i));
            song.setTitle(QStringLiteral("%1 song number %2").arg(stem).arg(i));
            song.setArtist(QStringLiteral("Some Artist"));
            song.setBPM(QStringLiteral("120"));
        });
    }
}

QByteArray libraryDocument()
{
    QByteArray document;
    QBuffer buffer(&document);
    buffer.open(QIODevice::WriteOnly);
    writeLibraryDocument(&buffer);
    return document;
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
        SongStore::library().clear();
        SongStore::library().update("7", [](DBelement &song) {
            song.setPersistentID(QStringLiteral("7"));
            song.setTitle(QStringLiteral("Saved"));
        });
    }
    void cleanup() { SongStore::library().clear(); }

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

    // A save on a full disk leaves the new library complete or the old one
    // untouched, and says which.
    void saveOntoAFullDisk_data()
    {
        QTest::addColumn<int>("songs");
        // Free room when the save starts, as a share of the new file's size.
        QTest::addColumn<double>("room");
        QTest::addColumn<bool>("hardLinked");
        QTest::addColumn<bool>("fits");
        QTest::newRow("3 songs, no room") << 3 << 0.0 << false << false;
        QTest::newRow("300 songs, half the room") << 300 << 0.6 << false << false;
        QTest::newRow("300 songs, room enough") << 300 << 3.0 << false << true;
        // A file written in place needs room only for what it grows by.
        QTest::newRow("in place, 3 songs, no room") << 3 << 0.0 << true << true;
        QTest::newRow("in place, 300 songs, half the room") << 300 << 0.6 << true << false;
        QTest::newRow("in place, 300 songs, room enough") << 300 << 3.0 << true << true;
    }
    void saveOntoAFullDisk()
    {
        QFETCH(int, songs);
        QFETCH(double, room);
        QFETCH(bool, hardLinked);
        QFETCH(bool, fits);
        SmallFilesystem disk(4 << 20);
        if (!disk.problem().isEmpty())
            QSKIP(qPrintable(disk.problem()));
        const QString file = disk.path() + "/library.tgd";
        fillLibrary(40, "Old");
        QVERIFY(saveLibraryFile(file));
        const QByteArray old = readFile(file);
        if (hardLinked)
            QVERIFY(
                ::link(QFile::encodeName(file).constData(), QFile::encodeName(disk.path() + "/link.tgd").constData())
                == 0);
        fillLibrary(songs, "New");
        const QByteArray document = libraryDocument();
        QVERIFY(disk.fillLeaving(qint64(document.size() * room)));

        QString error;
        const bool saved = saveLibraryFile(file, &error);
        QCOMPARE(saved, fits);
        if (saved) {
            QCOMPARE(readFile(file), document);
        } else {
            QVERIFY2(error.contains("the disk is full") && error.contains("the file is as it was"), qPrintable(error));
            QCOMPARE(readFile(file), old);
        }
        QStringList left{".filler", "library.tgd"};
        if (hardLinked)
            left << "link.tgd";
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), left);
    }

    void recoveryCopyOntoAFullDisk()
    {
        SmallFilesystem disk(1 << 20);
        if (!disk.problem().isEmpty())
            QSKIP(qPrintable(disk.problem()));
        const QByteArray state = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(disk.path()));
        QVERIFY(QDir().mkpath(recoveryDirectory()));
        fillLibrary(3, "Unsaved");
        QVERIFY(disk.fillLeaving(0));
        QString error;
        const QString copy = writeRecoveryCopy(&error);
        qputenv("XDG_STATE_HOME", state);
        QCOMPARE(copy, QString());
        QVERIFY2(error.contains("the disk is full"), qPrintable(error));
        QCOMPARE(QDir(disk.path() + "/VelmoraSync").entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void recoveryCopiesInTheOrderWritten()
    {
        QTemporaryDir state;
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
        QVERIFY(QDir().mkpath(recoveryDirectory()));
        const QStringList written{"recovery-20251231-235959.tgd", "recovery-20260101-000000.tgd",
                                  "recovery-20260101-000000-2.tgd", "recovery-20260101-000000-10.tgd"};
        for (const QString &name : written) {
            QFile copy(recoveryDirectory() + "/" + name);
            QVERIFY(copy.open(QIODevice::WriteOnly));
        }
        QStringList offered;
        for (const QString &path : pendingRecoveryCopies())
            offered << QFileInfo(path).fileName();
        const QDateTime newest = recoveryCopyTime(pendingRecoveryCopies().last());
        qputenv("XDG_STATE_HOME", oldState);
        QCOMPARE(offered, written);
        QCOMPARE(newest, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    }
};

VELMORA_TEST_MAIN_WITH(TestLibrarySave, enterPrivateMountNamespace())
#include "tst_librarysave.moc"
