#include "library/bpmtext.h"
#include "library/songstore.h"
#include "testenvironment.h"

#include "table/librarymodel.h"

#include <QBrush>
#include <climits>

// The sizes of the store's announcements, in the order they came.
struct Announcements
{
    QList<int> shown;
    QList<int> changed;
    QObject listening;
    explicit Announcements(SongStore &store)
    {
        QObject::connect(&store, &SongStore::songsShown, &listening,
                         [this](const QList<const Song *> &songs) { shown << int(songs.size()); });
        QObject::connect(&store, &SongStore::songsChanged, &listening,
                         [this](const QList<const Song *> &songs) { changed << int(songs.size()); });
    }
};

class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SongStore::library().clear(); }

    void bpmText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bpm");
        QTest::newRow("integer") << "120" << 120;
        QTest::newRow("fraction truncated") << "127.9" << 127;
        QTest::newRow("just below a whole number") << "99.99" << 99;
        QTest::newRow("negative truncated toward zero") << "-3.5" << -3;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("number with trailing text") << "120bpm" << 0;
        QTest::newRow("beyond int saturates") << "1e30" << INT_MAX;
        QTest::newRow("beyond int negative saturates") << "-1e30" << INT_MIN;
        QTest::newRow("nan") << "nan" << 0;
    }
    void bpmText()
    {
        QFETCH(QString, text);
        QFETCH(int, bpm);
        DBelement record;
        record.setBPM(text);
        QCOMPARE(record.bpm(), bpm);
        // Stored as an int, so the cell sorts numerically and reads back in decimal.
        QCOMPARE(record.value(SongField::Bpm).typeId(), QMetaType::Int);
        QCOMPARE(record.text(SongField::Bpm), QString::number(bpm));
    }

    void flagText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("flag");
        QTest::newRow("true") << "true" << true;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("capital True") << "True" << false;
        QTest::newRow("upper case") << "TRUE" << false;
        QTest::newRow("yes") << "yes" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("padded") << " true" << false;
    }
    void flagText()
    {
        QFETCH(QString, text);
        QFETCH(bool, flag);
        DBelement record;
        record.setItunes(text);
        record.setIphone(text);
        record.setUserChanged(text);
        for (SongField field : {SongField::Itunes, SongField::Iphone, SongField::UserChanged}) {
            QCOMPARE(record.text(field), flag ? QStringLiteral("true") : QStringLiteral("false"));
            QCOMPARE(record.value(field).typeId(), QMetaType::Bool);
        }
        QCOMPARE(flagFromText(record.text(SongField::Itunes)), flag);
    }

    // A value never set is no value at all, which an empty text is not.
    void newRecordHasNoValues()
    {
        DBelement record;
        for (int field = 0; field < songFieldCount; ++field) {
            QVERIFY(!record.isSet(SongField(field)));
            QVERIFY(!record.value(SongField(field)).isValid());
            QVERIFY(record.text(SongField(field)).isEmpty());
        }
        record.setTitle(QString());
        QVERIFY(record.isSet(SongField::Title));
        QCOMPARE(record.value(SongField::Title).typeId(), QMetaType::QString);
        QCOMPARE(record.deviceBPM, 0);
        QVERIFY(!record.isProtected);
        QVERIFY(!record.isShown());
    }

    // The names the library file and the phone use, one per field.
    void fieldNamesAreTheFilesNames()
    {
        QStringList names;
        for (int field = 0; field < songFieldCount; ++field)
            names << QString::fromLatin1(fieldName(SongField(field)));
        QCOMPARE(names, (QStringList{"persistentID", "title", "bpm", "artist", "albumTitle", "genre", "albumArtist",
                                     "composer", "iTunes", "iPhone", "location", "userChanged", "phoneID"}));
    }

    void textSettersKeepTextUnchanged()
    {
        DBelement record;
        record.setTitle(QStringLiteral("  Ünïcødé & <tags> \"quoted\"  "));
        QCOMPARE(record.text(SongField::Title), QStringLiteral("  Ünïcødé & <tags> \"quoted\"  "));
        record.setTitle(QString());
        QVERIFY(record.text(SongField::Title).isEmpty());
        record.setOnDevice(QStringLiteral("1"));
        QCOMPARE(record.text(SongField::Iphone), QStringLiteral("true"));
    }

    void copyKeepsValues()
    {
        DBelement record;
        record.setTitle(QStringLiteral("Song"));
        record.setBPM(QStringLiteral("128"));
        record.deviceBPM = 7;
        record.isProtected = true;
        record.setBpmAlternative(64);
        DBelement copy(record);
        QCOMPARE(copy.text(SongField::Title), QStringLiteral("Song"));
        QCOMPARE(copy.bpm(), 128);
        QCOMPARE(copy.deviceBPM, 7);
        QVERIFY(copy.isProtected);
        QCOMPARE(copy.bpmAlternative(), 64);
    }

    void alternativeMarksTheBpmCell_data()
    {
        QTest::addColumn<int>("alternative");
        QTest::addColumn<int>("kept");
        QTest::newRow("double level") << 126 << 126;
        QTest::newRow("lower end") << 50 << 50;
        QTest::newRow("upper end") << 200 << 200;
        QTest::newRow("below range is none") << 49 << 0;
        QTest::newRow("above range is none") << 201 << 0;
        QTest::newRow("none") << 0 << 0;
    }
    void alternativeMarksTheBpmCell()
    {
        QFETCH(int, alternative);
        QFETCH(int, kept);
        SongStore &store = SongStore::library();
        LibraryModel model(store);
        store.update("1", [alternative](DBelement &record) {
            record.setBPM(QStringLiteral("63"));
            record.setBpmAlternative(alternative);
        });
        store.setupRow("1");
        QCOMPARE(store.find("1")->bpmAlternative(), kept);
        const QModelIndex cell = model.index(0, ColumnBpm);
        if (kept) {
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QStringLiteral("Maybe %1").arg(kept));
            QCOMPARE(cell.data(Qt::ForegroundRole).value<QBrush>().color(), DBelement::alternativeBpmColour);
        } else {
            QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
            QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        }
        // Only the BPM cell has the mark.
        QVERIFY(!model.index(0, ColumnTitle).data(Qt::ToolTipRole).isValid());
        // Settling the level takes the mark away again; the BPM stays.
        store.change("1", [](DBelement &record) { record.setBpmAlternative(0); });
        QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
        QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QCOMPARE(cell.data().toInt(), 63);
    }

    void libraryIsWalkedInByteOrder()
    {
        SongStore &store = SongStore::library();
        for (const char *id : {"a0", "3", "A0", "12", "1B", "-1", "0A"})
            store.update(id, [id](DBelement &record) { record.setPersistentID(QString::fromLatin1(id)); });
        QStringList walked;
        for (const Song &song : store.tableMap())
            walked << song.second.text(SongField::PersistentID);
        QCOMPARE(walked, QStringList({"-1", "0A", "12", "1B", "3", "A0", "a0"}));
    }

    void updateCreatesAMissingRecordUnshown()
    {
        SongStore &store = SongStore::library();
        const Announcements heard(store);
        store.update("42", [](DBelement &record) { record.setPersistentID(QStringLiteral("42")); });
        QCOMPARE(store.size(), size_t(1));
        QVERIFY(!store.find("42")->isShown());
        QVERIFY(!store.change("43", [](DBelement &) {}));
        QCOMPARE(store.size(), size_t(1));
        // Changes to a song without a row announce nothing.
        QCOMPARE(heard.shown.size() + heard.changed.size(), 0);
        store.setupRow("42");
        store.setupRow("42");
        QCOMPARE(heard.shown, QList<int>{1});
        QVERIFY(store.find("42")->isShown());
    }

    // One announcement per batch, and a removed song is announced while it is
    // still there to be looked at.
    void batchesAnnounceOnce()
    {
        SongStore &store = SongStore::library();
        for (const char *id : {"1", "2", "3"}) {
            store.update(id, [](DBelement &record) { record.setTitle(QStringLiteral("Old")); });
            store.setupRow(id);
        }
        const Announcements heard(store);
        QStringList goneTitles;
        QObject listening;
        connect(&store, &SongStore::songsAboutToGo, &listening, [&goneTitles](const QList<const Song *> &songs) {
            for (const Song *song : songs)
                goneTitles << song->second.text(SongField::Title);
        });
        {
            SongStore::Batch batch(store);
            for (const char *id : {"1", "2"})
                store.change(id, [](DBelement &record) { record.setTitle(QStringLiteral("New")); });
            store.change("1", [](DBelement &record) { record.setBPM(120); });
            store.update("4", [](DBelement &record) { record.setTitle(QStringLiteral("Fresh")); });
            store.setupRow("4");
            store.change("3", [](DBelement &record) { record.setTitle(QStringLiteral("Going")); });
            store.remove("3");
            QVERIFY(!store.find("3"));
            QCOMPARE(heard.shown.size() + heard.changed.size(), 0);
            QVERIFY(goneTitles.isEmpty());
        }
        QCOMPARE(goneTitles, QStringList{"Going"});
        QCOMPARE(heard.shown, QList<int>{1});
        QCOMPARE(heard.changed, QList<int>{2});
        QCOMPARE(store.size(), size_t(3));
    }
};

VELMORA_TEST_MAIN(TestRecord)
#include "tst_record.moc"
