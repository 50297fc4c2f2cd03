// The filter bar's grammar against a small library: which songs each query
// lets through, and queries no user means that must neither stall nor crash.
#include "library/dbelement.h"
#include "table/songfilter.h"
#include "testenvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TestSong
{
    const char *name;
    const char *title;
    const char *artist;
    const char *album;
    int bpm;
    int alternative;
    const char *location; // relative to the test's folder; "" for none
    bool locked;
};

// "present.mp3" exists in the test's folder, "gone.mp3" does not.
const TestSong testSongs[] = {
    {"cafe", "Caf\u00e9 del Mar", "Energy 52", "Trance", 136, 0, "present.mp3", false},
    {"run", "Run Fast", "The Runners", "Tempo", 170, 85, "gone.mp3", true},
    {"walk", "Walk", "Striders", "Tempo", 88, 0, "", false},
    {"slow", "Slow Dance", "STRASSE", "", 0, 0, "gone.mp3", true},
    {"half", "Half Time", "Energy 52", "Beats", 90, 180, "present.mp3", false},
};

struct Facts : SongFilter::SongFacts
{
    QString text;
    bool missing = false;
    const QString &searchText() override { return text; }
    bool fileMissing() override { return missing; }
};

} // namespace

class TestSongFilter : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;

    QStringList matching(const QString &query)
    {
        const SongFilter filter(query);
        QStringList names;
        for (const TestSong &song : testSongs) {
            DBelement record;
            record.setTitle(QString::fromUtf8(song.title));
            record.setArtist(QString::fromUtf8(song.artist));
            record.setAlbumTitle(QString::fromUtf8(song.album));
            record.setBPM(song.bpm);
            record.setBpmAlternative(song.alternative);
            record.setBpmLocked(song.locked);
            if (*song.location)
                record.setLocation(folder.filePath(QString::fromLatin1(song.location)));
            Facts facts;
            facts.text = songSearchText(record);
            facts.missing = *song.location && !QFile::exists(record.text(SongField::Location));
            if (filter.matches(record, facts))
                names << QString::fromLatin1(song.name);
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        QFile present(folder.filePath("present.mp3"));
        QVERIFY(present.open(QIODevice::WriteOnly));
    }

    void queries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("songs");
        const QStringList all{"cafe", "run", "walk", "slow", "half"};
        QTest::newRow("nothing") << "" << all;
        QTest::newRow("only spaces") << "   \t " << all;
        QTest::newRow("a word in the title, any case") << "WALK" << QStringList{"walk"};
        QTest::newRow("accents ignored both ways") << "cafe" << QStringList{"cafe"};
        QTest::newRow("accent typed, none stored") << QStringLiteral("Str\u00e4sse") << QStringList{"slow"};
        QTest::newRow("sharp s folds") << QStringLiteral("stra\u00dfe") << QStringList{"slow"};
        QTest::newRow("words in different texts") << "energy time" << QStringList{"half"};
        QTest::newRow("every word must be somewhere") << "energy walk" << QStringList{};
        QTest::newRow("part of a word") << "run" << QStringList{"run"};
        QTest::newRow("a word across two texts is no word") << "trance energy52" << QStringList{};
        QTest::newRow("album") << "tempo" << QStringList{"run", "walk"};
        QTest::newRow("bpm range, inclusive") << "bpm:88-136" << QStringList{"cafe", "walk", "half"};
        QTest::newRow("bpm range upside down") << "bpm:136-88" << QStringList{"cafe", "walk", "half"};
        QTest::newRow("one bpm") << "bpm:170" << QStringList{"run"};
        QTest::newRow("no song has no BPM in a range") << "bpm:0-60" << QStringList{};
        QTest::newRow("half and double count") << "~bpm:170-180" << QStringList{"run", "walk", "half"};
        QTest::newRow("double of a slow range") << "~bpm:60-70" << QStringList{"cafe"};
        QTest::newRow("unsure") << "unsure" << QStringList{"run", "half"};
        QTest::newRow("nobpm") << "nobpm" << QStringList{"slow"};
        QTest::newRow("missing file") << "missing" << QStringList{"run", "slow"};
        QTest::newRow("locked") << "locked" << QStringList{"run", "slow"};
        QTest::newRow("not locked, unsure") << "-locked unsure" << QStringList{"half"};
        QTest::newRow("negated term") << "-unsure" << QStringList{"cafe", "walk", "slow"};
        QTest::newRow("negated word") << "tempo -run" << QStringList{"walk"};
        QTest::newRow("terms combine") << "energy ~bpm:170-180 -missing" << QStringList{"half"};
        QTest::newRow("terms in any case") << "UNSURE BPM:90" << QStringList{"half"};
        QTest::newRow("bad range is a word") << "bpm:abc" << QStringList{};
        QTest::newRow("empty range is a word") << "~bpm:" << QStringList{};
        QTest::newRow("unknown term is a word") << "artist:energy" << QStringList{};
        QTest::newRow("a lone dash is a word") << "-" << QStringList{};
        QTest::newRow("a huge number is a word") << "bpm:99999999999999999999" << QStringList{};
        QTest::newRow("control characters are no part of a word")
            << QStringLiteral("wa\u0001lk") << QStringList{"walk"};
        QTest::newRow("right-to-left text") << QStringLiteral("\u202e\u05e9\u05d9\u05e8") << QStringList{};
    }
    void queries()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, songs);
        QCOMPARE(matching(query), songs);
    }

    // A query of 100,000 characters, of words or of terms, is read and
    // judged like any other.
    void hugeQueries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("one long word") << QString(100000, QLatin1Char('a'));
        QTest::newRow("many terms") << QStringLiteral("bpm:1-300 ").repeated(10000);
        QTest::newRow("many dashes") << QString(100000, QLatin1Char('-'));
        QTest::newRow("control characters") << QString(100000, QChar(0x0007));
    }
    void hugeQueries()
    {
        QFETCH(QString, query);
        const QStringList songs = matching(query);
        QVERIFY(songs.size() <= 5);
    }
};

VELMORA_TEST_MAIN(TestSongFilter)
#include "tst_songfilter.moc"
