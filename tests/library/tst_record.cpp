#include "library/bpmtext.h"
#include "library/songstore.h"
#include "testenvironment.h"

#include "table/librarymodel.h"

#include <QBrush>
#include <QImage>
#include <climits>
#include <cmath>

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
        QCOMPARE(names,
                 (QStringList{"persistentID", "title", "bpm", "artist", "albumTitle", "genre", "albumArtist",
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

    // The BPM cell names the other level and says when the BPM is locked,
    // which its padlock shows too.
    void alternativeMarksTheBpmCell_data()
    {
        QTest::addColumn<int>("alternative");
        QTest::addColumn<int>("kept");
        QTest::addColumn<bool>("locked");
        QTest::newRow("double level") << 126 << 126 << false;
        QTest::newRow("lower end") << 50 << 50 << false;
        QTest::newRow("upper end") << 200 << 200 << false;
        QTest::newRow("below range is none") << 49 << 0 << false;
        QTest::newRow("above range is none") << 201 << 0 << false;
        QTest::newRow("none") << 0 << 0 << false;
        QTest::newRow("locked") << 0 << 0 << true;
        QTest::newRow("locked beside an Alternative") << 126 << 126 << true;
    }
    void alternativeMarksTheBpmCell()
    {
        QFETCH(int, alternative);
        QFETCH(int, kept);
        QFETCH(bool, locked);
        SongStore &store = SongStore::library();
        LibraryModel model(store);
        store.update("1", [alternative, locked](DBelement &record) {
            record.setBPM(QStringLiteral("63"));
            record.setBpmAlternative(alternative);
            record.setBpmLocked(locked);
        });
        store.setupRow("1");
        QCOMPARE(store.find("1")->bpmAlternative(), kept);
        const QModelIndex cell = model.index(0, ColumnBpm);
        const QString lockLine = QStringLiteral("BPM locked: BeatFind and the level commands keep it");
        QStringList tip;
        if (kept)
            tip << QStringLiteral("Maybe %1").arg(kept);
        if (locked)
            tip << lockLine;
        if (tip.isEmpty())
            QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
        else
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), tip.join(QLatin1Char('\n')));
        if (kept)
            QCOMPARE(cell.data(Qt::ForegroundRole).value<QBrush>().color(), DBelement::alternativeBpmColour);
        else
            QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QCOMPARE(cell.data(Qt::DecorationRole).isValid(), locked);
        if (locked)
            QVERIFY(!cell.data(Qt::DecorationRole).value<QImage>().isNull());
        // Only the BPM cell has the marks.
        QVERIFY(!model.index(0, ColumnTitle).data(Qt::ToolTipRole).isValid());
        QVERIFY(!model.index(0, ColumnTitle).data(Qt::DecorationRole).isValid());
        // Settling the level takes the mark away again; the BPM and its lock stay.
        store.change("1", [](DBelement &record) { record.setBpmAlternative(0); });
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), locked ? lockLine : QString());
        QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QCOMPARE(cell.data().toInt(), 63);
        // Unlocking takes the padlock away.
        store.change("1", [](DBelement &record) { record.setBpmLocked(false); });
        QVERIFY(!cell.data(Qt::DecorationRole).isValid());
        QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
    }

    // A tempo is kept exactly and shown as the nearest whole BPM; a whole BPM
    // set any other way is its own exact tempo again.
    void exactTempoGoesWithTheBpm_data()
    {
        QTest::addColumn<double>("tempo");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<double>("exact");
        QTest::newRow("a half") << 67.5 << 68 << 67.5;
        QTest::newRow("whole") << 120. << 120 << 120.;
        QTest::newRow("upper end's fraction") << 200.6 << 200 << 200.6;
        QTest::newRow("none") << 0. << 0 << 0.;
        QTest::newRow("not a number is none") << std::nan("") << 0 << 0.;
    }
    void exactTempoGoesWithTheBpm()
    {
        QFETCH(double, tempo);
        QFETCH(int, bpm);
        QFETCH(double, exact);
        DBelement record;
        record.setBpmExact(tempo);
        QVERIFY(record.isSet(SongField::Bpm));
        QCOMPARE(record.bpm(), bpm);
        QCOMPARE(record.bpmExact(), exact);
        QCOMPARE(record.value(SongField::Bpm), QVariant(bpm));
        const DBelement copy(record);
        QCOMPARE(copy.bpmExact(), exact);
        record.setBPM(99);
        QCOMPARE(record.bpmExact(), 99.);
        record.setBpmExact(tempo);
        record.setBPM(QStringLiteral("101"));
        QCOMPARE(record.bpmExact(), 101.);
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
