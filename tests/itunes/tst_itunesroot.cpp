#include "testenvironment.h"
#include "itunestestfiles.h"
#include "library/songlocation.h"
#include "library/itunesroot.h"
#include "itunes/ituneslibraryreader.h"
#include "library/itunesrules.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

// iTunes library files copied from a Windows and a Mac computer: their root
// folder, and song paths under it found again in a local folder.
class TestItunesRoot : public QObject
{
    Q_OBJECT

    static QStringList songPaths(const QString &fixture)
    {
        QFile file(testDataPath(fixture));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        ItunesLibraryReader reader(&file);
        while (reader.readFor(100)) {
        }
        QStringList paths;
        for (const ItunesTrack &track : reader.takeTracks()) {
            for (int i = 0; i < track.keyCount(); ++i) {
                const ItunesKeyValue &field = track.key(i);
                if (field.key == ItunesKey::Location)
                    paths << songFilePath(locationPath(field.value));
            }
        }
        return paths;
    }

private slots:
    void init() { QSettings().clear(); }

    void readsTheMusicFolder_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("root");
        QTest::newRow("Windows") << "rkiv-python_iTunes.xml"
                                 << "/C:/Users/Ryan/Music/iTunes/iTunes Media/";
        QTest::newRow("macOS") << "Mac-iTunes-Library_iTunes_Music_Library.xml"
                               << "/Users/dinomite/Music/iTunes/iTunes Music/";
        QTest::newRow("Music Folder before the tracks") << "bpm_keys_iTunes_Music_Library.xml"
                                                        << "/Users/tester/Music/iTunes/iTunes Music/";
    }
    void readsTheMusicFolder()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, root);
        QFile file(testDataPath(fixture));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(itunesMusicFolder(&file), root);
    }

    void musicFolderOnlyFromTheTopLevel()
    {
        // A track's own "Music Folder" key, or one in a file that is not a
        // property list, is no root.
        QBuffer nested;
        nested.setData("<plist><dict><key>Tracks</key><dict><key>Music Folder</key><string>file:///x/</string>"
                       "</dict></dict></plist>");
        QVERIFY(nested.open(QIODevice::ReadOnly));
        QVERIFY(itunesMusicFolder(&nested).isEmpty());
        QBuffer broken;
        broken.setData("<plist><dict><key>Music Folder</key>");
        QVERIFY(broken.open(QIODevice::ReadOnly));
        QVERIFY(itunesMusicFolder(&broken).isEmpty());
    }

    void mapsPathsUnderTheRoot_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("mapped");
        const QString win = "/C:/Users/ann/Music/iTunes/iTunes Media/";
        QTest::newRow("Windows") << "/C:/Users/ann/Music/iTunes/iTunes Media/Music/A/b.mp3" << win
                                 << "/home/u/Music/Music/A/b.mp3";
        QTest::newRow("Windows, other case")
            << "/c:/users/ANN/Music/iTunes/iTunes Media/x.m4a" << win << "/home/u/Music/x.m4a";
        QTest::newRow("macOS") << "/Users/ann/Music/iTunes/x.mp3"
                               << "/Users/ann/Music/iTunes/"
                               << "/home/u/Music/x.mp3";
        QTest::newRow("macOS is case-sensitive") << "/users/ann/Music/iTunes/x.mp3"
                                                 << "/Users/ann/Music/iTunes/"
                                                 << "/users/ann/Music/iTunes/x.mp3";
        QTest::newRow("root without slash") << "/Users/ann/Music/x.mp3"
                                            << "/Users/ann/Music"
                                            << "/home/u/Music/x.mp3";
        QTest::newRow("a longer folder name is not under it") << "/Users/ann/Music2/x.mp3"
                                                              << "/Users/ann/Music"
                                                              << "/Users/ann/Music2/x.mp3";
        QTest::newRow("outside the root") << "/G:/Music/x.mp3" << win << "/G:/Music/x.mp3";
        QTest::newRow("no root") << "/x.mp3"
                                 << ""
                                 << "/x.mp3";
    }
    void mapsPathsUnderTheRoot()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        QFETCH(QString, mapped);
        QCOMPARE(mapItunesRoot(path, root, "/home/u/Music"), mapped);
    }

    // Every song of a copied library is found in the local copy of its
    // music folder once the root is mapped, and only then.
    void copiedLibrarySongsAreFoundLocally_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("Windows") << "rkiv-python_iTunes.xml";
        QTest::newRow("macOS") << "Mac-iTunes-Library_iTunes_Music_Library.xml";
    }
    void copiedLibrarySongsAreFoundLocally()
    {
        QFETCH(QString, fixture);
        QFile file(testDataPath(fixture));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString root = itunesMusicFolder(&file);
        const QStringList paths = songPaths(fixture);
        QVERIFY(!paths.isEmpty());

        QTemporaryDir local;
        for (const QString &path : paths) {
            QVERIFY(path.startsWith(root));
            const QString copy = local.filePath(path.mid(root.size()));
            QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
            QFile touch(copy);
            QVERIFY(touch.open(QIODevice::WriteOnly));
        }
        for (const QString &path : paths)
            QVERIFY(!QFile::exists(mappedSongPath(path)));
        QVERIFY(mappedRootFolder(root).isEmpty());
        rememberRootFolder(root, local.path());
        QCOMPARE(mappedRootFolder(root), local.path());
        for (const QString &path : paths)
            QVERIFY2(QFile::exists(mappedSongPath(path)), qPrintable(mappedSongPath(path)));
    }
};

VELMORA_TEST_MAIN(TestItunesRoot)
#include "tst_itunesroot.moc"
