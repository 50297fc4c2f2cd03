#include "librarysongs.h"
#include "testenvironment.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "folders/foldersongimport.h"
#include "library/itunesrules.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <memory>

namespace {

FoundSong foundSong(const QString &path, const QString &title, const QString &bpm)
{
    FoundSong song;
    song.path = path;
    song.persistentID = QStringLiteral("F00000000000000A");
    song.tags.title = title;
    song.tags.artist = QStringLiteral("Artist");
    song.tags.bpm = bpm;
    return song;
}

} // namespace

// A found song becomes a record as an iTunes track does: same key rule, same
// BPM rule, shown in the table.
class TestFolderSongImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<Tagdesk> window;
    const std::string key = libraryKey(persistentIDFromHex(QStringLiteral("F00000000000000A")));

private slots:
    void init() { window = std::make_unique<Tagdesk>(); }
    void cleanup() { window.reset(); }

    void takesTheTagBpmByTheItunesRule_data()
    {
        QTest::addColumn<int>("bpmBefore");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("tagBpm");
        QTest::addColumn<int>("bpmAfter");
        QTest::newRow("fraction") << 0 << false << "120.5" << 121;
        QTest::newRow("decimal comma") << 0 << false << "120,4" << 120;
        QTest::newRow("top of range") << 0 << false << "200.9" << 0;
        QTest::newRow("bottom of range") << 0 << false << "50" << 50;
        QTest::newRow("below range") << 0 << false << "49.49" << 0;
        QTest::newRow("not a number") << 0 << false << "abc" << 0;
        QTest::newRow("negative") << 0 << false << "-3" << 0;
        QTest::newRow("huge exponent") << 0 << false << "1e9" << 0;
        QTest::newRow("not a number either") << 0 << false << "nan" << 0;
        QTest::newRow("empty") << 0 << false << "" << 0;
        QTest::newRow("record has one") << 90 << false << "130" << 90;
        QTest::newRow("record keeps its own") << 90 << false << "" << 90;
        QTest::newRow("locked BPM kept") << 90 << true << "130" << 90;
        QTest::newRow("locked without a BPM stays without") << 0 << true << "130" << 0;
    }
    void takesTheTagBpmByTheItunesRule()
    {
        QFETCH(int, bpmBefore);
        QFETCH(bool, locked);
        QFETCH(QString, tagBpm);
        QFETCH(int, bpmAfter);
        if (bpmBefore || locked)
            SongStore::library().update(key, [bpmBefore, locked](DBelement &record) {
                record.setBPM(QString::number(bpmBefore));
                record.setBpmLocked(locked);
            });
        importFolderSong(foundSong("/m/a.mp3", "A", tagBpm), true);
        QCOMPARE(librarySong(QString::fromStdString(key)).bpm(), bpmAfter);
        QCOMPARE(librarySong(QString::fromStdString(key)).bpmLocked(), locked);
    }

    void fillsTheRecordAndShowsIt()
    {
        importFolderSong(foundSong("/m/x/My Song.live.flac", " ", "99"), true);
        const DBelement &record = librarySong(QString::fromStdString(key));
        QCOMPARE(record.text(SongField::PersistentID), QString::fromStdString(key));
        QCOMPARE(key, std::string("-1152921504606846966"));
        QCOMPARE(record.text(SongField::Title), QStringLiteral("My Song.live"));
        QCOMPARE(record.text(SongField::Artist), QStringLiteral("Artist"));
        QCOMPARE(record.text(SongField::Location), QStringLiteral("/m/x/My Song.live.flac"));
        QCOMPARE(record.text(SongField::Itunes), QStringLiteral("true"));
        QVERIFY(record.isShown());
        QCOMPARE(window->libraryModel->rowCount(), 1);

        // Found again: the same row, the tags' new values.
        importFolderSong(foundSong("/m/x/My Song.live.flac", "Named", "99"), true);
        QCOMPARE(record.text(SongField::Title), QStringLiteral("Named"));
        QCOMPARE(window->libraryModel->rowCount(), 1);
    }

    // Outside the user's music source, a new song is marked as not in it and
    // a known song keeps its mark.
    void marksOnlyWhatTheMusicSourceHolds()
    {
        importFolderSong(foundSong("/m/a.mp3", "A", ""), false);
        QCOMPARE(librarySong(QString::fromStdString(key)).text(SongField::Itunes), QStringLiteral("false"));
        SongStore::library().change(key, [](DBelement &record) { record.setItunes(QStringLiteral("1")); });
        importFolderSong(foundSong("/m/a.mp3", "A", ""), false);
        QCOMPARE(librarySong(QString::fromStdString(key)).text(SongField::Itunes), QStringLiteral("true"));
    }
};

VELMORA_TEST_MAIN(TestFolderSongImport)
#include "tst_foldersongimport.moc"
