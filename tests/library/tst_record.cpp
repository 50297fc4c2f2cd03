#include "library/bpmtext.h"
#include "library/dbelement.h"
#include "testenvironment.h"

#include <climits>

class TestRecord : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { tableMap.clear(); }

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
        QCOMPARE(record.field("bpm").data(Qt::DisplayRole).typeId(), QMetaType::Int);
        QCOMPARE(record.text("bpm"), QString::number(bpm));
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
        for (const char *name : {"iTunes", "iPhone", "userChanged"})
            QCOMPARE(record.text(name), flag ? QStringLiteral("true") : QStringLiteral("false"));
        QCOMPARE(flagFromText(record.text("iTunes")), flag);
    }

    void newRecordHasOnlyAnEmptyTaggedBpmItem()
    {
        DBelement record;
        QCOMPARE(record.fields.size(), size_t(1));
        QCOMPARE(record.field("bpm").itemTag, QVXtableWidgetItem::BpmTag);
        QVERIFY(!record.field("bpm").data(Qt::DisplayRole).isValid());
        QCOMPARE(record.field("title").itemTag, 0);
        QVERIFY(record.text("iPhone").isEmpty());
        QCOMPARE(record.deviceBPM, 0);
        QVERIFY(!record.isProtected);
    }

    void textSettersKeepTextUnchanged()
    {
        DBelement record;
        record.setTitle(QStringLiteral("  Ünïcødé & <tags> \"quoted\"  "));
        QCOMPARE(record.text("title"), QStringLiteral("  Ünïcødé & <tags> \"quoted\"  "));
        record.setTitle(QString());
        QVERIFY(record.text("title").isEmpty());
        record.setOnDevice(QStringLiteral("1"));
        QCOMPARE(record.text("iPhone"), QStringLiteral("true"));
    }

    void copyKeepsTagsAndValues()
    {
        DBelement record;
        record.setTitle(QStringLiteral("Song"));
        record.setBPM(QStringLiteral("128"));
        record.deviceBPM = 7;
        record.isProtected = true;
        record.setBpmAlternative(64);
        DBelement copy(record);
        QCOMPARE(copy.text("title"), QStringLiteral("Song"));
        QCOMPARE(copy.bpm(), 128);
        QCOMPARE(copy.field("bpm").itemTag, QVXtableWidgetItem::BpmTag);
        QCOMPARE(copy.deviceBPM, 7);
        QVERIFY(copy.isProtected);
        QCOMPARE(copy.bpmAlternative(), 64);
        QCOMPARE(copy.field("bpm").toolTip(), QStringLiteral("Maybe 64"));
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
        DBelement record;
        record.setBPM(QStringLiteral("63"));
        record.setBpmAlternative(alternative);
        QCOMPARE(record.bpmAlternative(), kept);
        QVXtableWidgetItem &cell = record.field("bpm");
        if (kept) {
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QStringLiteral("Maybe %1").arg(kept));
            QCOMPARE(cell.foreground().color(), DBelement::alternativeBpmColour);
        } else {
            QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
            QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        }
        // Settling the level takes the mark away again; the BPM stays.
        record.setBpmAlternative(0);
        QVERIFY(!cell.data(Qt::ToolTipRole).isValid());
        QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QCOMPARE(record.bpm(), 63);
    }

    void libraryIsWalkedInByteOrder()
    {
        for (const char *id : {"a0", "3", "A0", "12", "1B", "-1", "0A"})
            tableMap[libraryKey(QString::fromLatin1(id))].setPersistentID(QString::fromLatin1(id));
        QStringList walked;
        for (auto &entry : tableMap)
            walked << entry.second.text("persistentID");
        QCOMPARE(walked, QStringList({"-1", "0A", "12", "1B", "3", "A0", "a0"}));
    }

    void lookUpCreatesMissingRecord()
    {
        DBelement &record = tableMap[libraryKey(QStringLiteral("42"))];
        record.setPersistentID(QStringLiteral("42"));
        QCOMPARE(tableMap.size(), size_t(1));
        QCOMPARE(&tableMap[libraryKey(QStringLiteral("42"))], &record);
    }
};

VELMORA_TEST_MAIN(TestRecord)
#include "tst_record.moc"
