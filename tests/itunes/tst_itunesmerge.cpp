#include "librarysongs.h"
#include "table/columns.h"
#include "testenvironment.h"
#include "dialoganswerer.h"
#include "itunestestfiles.h"
#include "outputcapture.h"
#include "app/tagdesk.h"
#include "itunes/duplicatemerge.h"
#include "library/dbelement.h"
#include "library/phonelink.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <sstream>

namespace {

// A record as the merge sees it: "key:title:artist:composer:inItunes:bpm".
void addRecord(const QString &description)
{
    const QStringList part = description.split(QLatin1Char(':'));
    SongStore::library().update(part[0].toStdString(), [&part](DBelement &record) {
        record.setPersistentID(part[0]);
        record.setTitle(part[1]);
        record.setArtist(part[2]);
        record.setComposer(part[3]);
        record.setItunes(part[4]);
        record.setBPM(part[5]);
    });
}

QString bpmsByKey()
{
    QStringList bpms;
    for (const auto &[key, record] : SongStore::library().tableMap())
        bpms << QString::fromStdString(key) + QLatin1Char('=') + QString::number(record.bpm());
    return bpms.join(QLatin1Char(' '));
}

} // namespace

class TestItunesMerge : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void pairTable_data();
    void pairTable();
    void findsDuplicates_data();
    void findsDuplicates();
    void carriesPhoneLinks_data();
    void carriesPhoneLinks();

    void mergeKeepsTheItunesRecordAndItsRow();
    void mergeCarriesTheLockWithTheBpm();
    void cancelledSaveQuestionDoesNothing();
    void failedImportBreaksTheConnection();
    void mergeDuringAnImportFollowsIt();
};

void TestItunesMerge::cleanup()
{
    SongStore::library().clear();
    QFile::remove(itunesLibraryPath());
}

void TestItunesMerge::pairTable_data()
{
    using Side = PairOutcome::Side;
    QTest::addColumn<bool>("currentIn");
    QTest::addColumn<int>("currentBpm");
    QTest::addColumn<bool>("currentLocked");
    QTest::addColumn<bool>("earlierIn");
    QTest::addColumn<int>("earlierBpm");
    QTest::addColumn<bool>("earlierLocked");
    QTest::addColumn<Side>("dropped");
    QTest::addColumn<Side>("takesBpm");
    QTest::newRow("current in iTunes, takes BPM")
        << true << 0 << false << false << 120 << false << Side::Earlier << Side::Current;
    QTest::newRow("current in iTunes, keeps its BPM")
        << true << 95 << false << false << 120 << false << Side::Earlier << Side::Neither;
    QTest::newRow("current in iTunes, nothing to take")
        << true << 0 << false << false << 0 << false << Side::Earlier << Side::Neither;
    QTest::newRow("earlier in iTunes, takes BPM")
        << false << 120 << false << true << 0 << false << Side::Current << Side::Earlier;
    QTest::newRow("earlier in iTunes, keeps its BPM")
        << false << 120 << false << true << 95 << false << Side::Current << Side::Neither;
    QTest::newRow("both in iTunes") << true << 0 << false << true << 120 << false << Side::Neither << Side::Neither;
    QTest::newRow("neither in iTunes") << false << 0 << false << false << 120 << false << Side::Neither
                                       << Side::Neither;
    QTest::newRow("a locked BPM goes over")
        << true << 0 << false << false << 120 << true << Side::Earlier << Side::Current;
    QTest::newRow("current locked without a BPM keeps none")
        << true << 0 << true << false << 120 << false << Side::Earlier << Side::Neither;
    QTest::newRow("earlier locked without a BPM keeps none")
        << false << 120 << true << true << 0 << true << Side::Current << Side::Neither;
    QTest::newRow("a lock without a BPM does not go over")
        << true << 0 << false << false << 0 << true << Side::Earlier << Side::Neither;
}

void TestItunesMerge::pairTable()
{
    using Side = PairOutcome::Side;
    QFETCH(bool, currentIn);
    QFETCH(int, currentBpm);
    QFETCH(bool, currentLocked);
    QFETCH(bool, earlierIn);
    QFETCH(int, earlierBpm);
    QFETCH(bool, earlierLocked);
    QFETCH(Side, dropped);
    QFETCH(Side, takesBpm);
    const PairOutcome outcome =
        mergePair({currentIn, currentBpm, currentLocked}, {earlierIn, earlierBpm, earlierLocked});
    QCOMPARE(outcome.dropped, dropped);
    QCOMPARE(outcome.takesBpm, takesBpm);
}

void TestItunesMerge::findsDuplicates_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QString>("bpms");
    QTest::addColumn<QString>("output");
    QTest::newRow("no shared title") << QStringList{"1:A:x::1:0", "2:B:x::0:120"} << QStringList{} << "1=0 2=120"
                                     << "";
    QTest::newRow("iTunes record has the smaller key")
        << QStringList{"1:A:x::1:0", "2:A:x::0:120"} << QStringList{"2"} << "1=120 2=120"
        << "HMM\n";
    QTest::newRow("iTunes record has the larger key")
        << QStringList{"1:A:x::0:120", "2:A:x::1:0"} << QStringList{"1"} << "1=120 2=120"
        << "";
    QTest::newRow("both BPMs set") << QStringList{"1:A:x::0:120", "2:A:x::1:95"} << QStringList{"1"} << "1=120 2=95"
                                   << "";
    QTest::newRow("both in iTunes") << QStringList{"1:A:x::1:0", "2:A:x::1:120"} << QStringList{} << "1=0 2=120"
                                    << "";
    QTest::newRow("neither in iTunes") << QStringList{"1:A:x::0:0", "2:A:x::0:120"} << QStringList{} << "1=0 2=120"
                                       << "";
    QTest::newRow("artist differs in case") << QStringList{"1:A:x::1:0", "2:A:X::0:120"} << QStringList{} << "1=0 2=120"
                                            << "";
    QTest::newRow("composer has a trailing blank")
        << QStringList{"1:A:x:c:1:0", "2:A:x:c :0:120"} << QStringList{} << "1=0 2=120"
        << "";
    QTest::newRow("only the IDs differ") << QStringList{"1:A:x:c:1:0", "2:A:x:c:0:120"} << QStringList{"2"}
                                         << "1=120 2=120"
                                         << "HMM\n";
    QTest::newRow("all six fields empty") << QStringList{"1::::1:0", "2::::0:120"} << QStringList{"2"} << "1=120 2=120"
                                          << "HMM\n";
    const QList<QStringList> orders = {{"1", "2", "3"}, {"2", "1", "3"}, {"3", "1", "2"}};
    for (const QStringList &order : orders) {
        // The record not in iTunes takes key order[0], order[1] and so on.
        QStringList records = {order[0] + ":A:x::0:120", order[1] + ":A:x::1:0", order[2] + ":A:x::1:0"};
        const int hmm = order[0].toInt() - 1; // one per iTunes record scanned before it
        QTest::addRow("three records, not in iTunes under %s", qPrintable(order[0]))
            << records << QStringList{order[0]} << "1=120 2=120 3=120" << QString("HMM\n").repeated(hmm);
    }
    // Byte order: "-7" < "12" < "3"; the record scanned later is the current one.
    QTest::newRow("keys with a minus sign") << QStringList{"-7:A:x::0:100", "1:A:x::1:0", "12:B:x::0:120", "3:B:x::1:0"}
                                            << QStringList{"-7", "12"} << "-7=100 1=100 12=120 3=120"
                                            << "";
}

void TestItunesMerge::findsDuplicates()
{
    QFETCH(QStringList, records);
    QFETCH(QStringList, dropped);
    QFETCH(QString, bpms);
    QFETCH(QString, output);
    for (const QString &record : records)
        addRecord(record);
    std::ostringstream out;
    auto carryBpm = [](const std::string &kept, const DBelement &dropped, bool takesBpm) {
        const int bpm = dropped.bpm();
        if (takesBpm)
            SongStore::library().change(kept, [bpm](DBelement &record) { record.setBPM(bpm); });
    };
    const std::set<std::string> found = findDuplicates(SongStore::library().tableMap(), carryBpm, out);
    QStringList foundKeys;
    for (const std::string &key : found)
        foundKeys << QString::fromStdString(key);
    std::sort(dropped.begin(), dropped.end(),
              [](const QString &a, const QString &b) { return a.toStdString() < b.toStdString(); });
    QCOMPARE(foundKeys, dropped);
    QCOMPARE(bpmsByKey(), bpms);
    QCOMPARE(QString::fromStdString(out.str()), output);
}

// Records "key:inItunes:iPhone:phoneID", all of one title; what each kept
// record's phone ID is after the merge ("key=phoneID", dropped ones left out).
void TestItunesMerge::carriesPhoneLinks_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("phoneIDs");
    QTest::newRow("a link goes to the kept record") << QStringList{"1:0:true:P", "2:1:false:"} << "2=P";
    QTest::newRow("a phone's own record becomes a link") << QStringList{"1:0:true:", "2:1:false:"} << "2=1";
    QTest::newRow("nothing to carry") << QStringList{"1:0:false:", "2:1:false:"} << "2=";
    QTest::newRow("the kept record keeps its own link") << QStringList{"1:0:true:P", "2:1:false:Q"} << "2=Q";
    QTest::newRow("the kept record is on the phone itself") << QStringList{"1:0:true:P", "2:1:true:"} << "2=";
    QTest::newRow("one link, two records kept: only the first takes it")
        << QStringList{"1:0:true:P", "2:1:false:", "3:1:false:"} << "2=P 3=";
    QTest::newRow("both kept: the link stays") << QStringList{"1:1:true:P", "2:1:false:"} << "1=P 2=";
}

void TestItunesMerge::carriesPhoneLinks()
{
    QFETCH(QStringList, records);
    QFETCH(QString, phoneIDs);
    for (const QString &description : records) {
        const QStringList part = description.split(QLatin1Char(':'));
        SongStore::library().update(part[0].toStdString(), [&part](DBelement &record) {
            record.setPersistentID(part[0]);
            record.setTitle(QStringLiteral("Same"));
            record.setItunes(part[1]);
            record.setIphone(part[2]);
            if (!part[3].isEmpty())
                record.setPhoneID(part[3]);
        });
    }
    PhoneLinkCarry links;
    auto carryOver = [&links](const std::string &kept, const DBelement &dropped, bool) {
        SongStore::library().change(kept, [&](DBelement &record) { links.carry(record, dropped); });
    };
    std::ostringstream out;
    const std::set<std::string> dropped = findDuplicates(SongStore::library().tableMap(), carryOver, out);
    QStringList kept;
    for (const auto &[key, record] : SongStore::library().tableMap()) {
        if (!dropped.count(key))
            kept << QString::fromStdString(key) + QLatin1Char('=') + record.text(SongField::PhoneID);
    }
    QCOMPARE(kept.join(QLatin1Char(' ')), phoneIDs);
}

void TestItunesMerge::mergeKeepsTheItunesRecordAndItsRow()
{
    Tagdesk window;
    window.show();
    // Library-only copies of two iTunes songs, one with a BPM, and a song of its own.
    for (const QString record : {"9:Song:Band::false:120", "8:Other:Band::false:0", "7:Alone:Band::false:99"}) {
        addRecord(record);
        SongStore::library().setupRow(record.left(1).toStdString());
    }
    SongStore::library().change("9", [](DBelement &record) {
        record.setBpmAlternative(60);
        record.setPhoneID(QStringLiteral("31337"));
    });
    writeSongAndOtherInItunes();
    QSignalSpy done(&window, &Tagdesk::loadItunesDone);
    OutputCapture output;
    window.mergeEdit();
    QVERIFY(done.wait(10000));
    QVERIFY(output.out().endsWith(QStringLiteral("Merge done\n")));
    QCOMPARE(bpmsByKey(), QStringLiteral("10=120 11=0 7=99"));
    QCOMPARE(librarySong(QStringLiteral("10")).bpmAlternative(), 60);
    QCOMPARE(librarySong(QStringLiteral("10")).text(SongField::PhoneID), QStringLiteral("31337"));
    const LibraryModel *model = window.libraryModel;
    QCOMPARE(model->index(model->rowOf("10"), ColumnBpm).data(Qt::ToolTipRole).toString(), QStringLiteral("Maybe 60"));
    QVERIFY(!SongStore::library().inBulkChange());
    QCOMPARE(model->rowCount(), 3);
    QStringList titles;
    for (int row = 0; row < model->rowCount(); ++row) {
        QCOMPARE(cellText(model, row, ColumnTitle),
                 librarySong(cellText(model, row, ColumnPersistentID)).text(SongField::Title));
        titles << cellText(model, row, ColumnTitle);
    }
    QCOMPARE(titles, (QStringList{"Alone", "Other", "Song"}));
    QVERIFY(window.modified);
}

// The kept song takes a dropped duplicate's BPM together with its exact
// tempo and its lock; a kept song whose BPM (none) is locked takes nothing.
void TestItunesMerge::mergeCarriesTheLockWithTheBpm()
{
    Tagdesk window;
    window.show();
    for (const QString record : {"9:Song:Band::false:0", "8:Other:Band::false:95", "11:Other:Band::true:0"}) {
        addRecord(record);
        SongStore::library().setupRow(record.section(QLatin1Char(':'), 0, 0).toStdString());
    }
    SongStore::library().change("9", [](DBelement &record) {
        record.setLevels({120.6, 60});
        record.setBpmLocked(true);
    });
    SongStore::library().change("11", [](DBelement &record) { record.setBpmLocked(true); });
    writeSongAndOtherInItunes();
    QSignalSpy done(&window, &Tagdesk::loadItunesDone);
    OutputCapture output;
    window.mergeEdit();
    QVERIFY(done.wait(10000));
    QCOMPARE(bpmsByKey(), QStringLiteral("10=121 11=0"));
    const DBelement &carried = librarySong(QStringLiteral("10"));
    QVERIFY(carried.bpmLocked());
    QCOMPARE(carried.bpmExact(), 120.6);
    QCOMPARE(carried.bpmAlternative(), 60);
    QVERIFY(librarySong(QStringLiteral("11")).bpmLocked());
    const LibraryModel *model = window.libraryModel;
    QVERIFY(model->index(model->rowOf("10"), ColumnBpm).data(Qt::DecorationRole).isValid());
}

void TestItunesMerge::cancelledSaveQuestionDoesNothing()
{
    Tagdesk window;
    window.modified = true;
    writeItunesLibrary(itunesLibraryFile({itunesTrackDict({{"Persistent ID", "<string>01</string>"}})}));
    DialogAnswerer answers;
    answers.messageBox(QMessageBox::Cancel);
    window.mergeEdit();
    QCOMPARE(answers.seen.size(), 1);
    QCOMPARE(answers.seen[0].title, QStringLiteral("Merge"));
    QCOMPARE(answers.seen[0].text, QStringLiteral("Do you want to Save before doing a merge?"));
    QVERIFY(!window.itunesImport.loadingItunes);
    QVERIFY((SongStore::library().size() == 0));
    // No merge is left waiting for the next import.
    OutputCapture output;
    QVERIFY(importFromItunes(window));
    QVERIFY(!output.out().contains(QStringLiteral("Merge done")));
}

void TestItunesMerge::failedImportBreaksTheConnection()
{
    Tagdesk window;
    DialogAnswerer answers;
    answers.messageBox(QMessageBox::Ok);
    window.mergeEdit();
    QCOMPARE(answers.seen.size(), 1);
    QCOMPARE(answers.seen[0].title, QStringLiteral("No music yet"));
    QVERIFY(window.modified);

    writeItunesLibrary(itunesLibraryFile({itunesTrackDict({{"Persistent ID", "<string>01</string>"}})}));
    OutputCapture output;
    QVERIFY(importFromItunes(window));
    QVERIFY(!output.out().contains(QStringLiteral("Merge done")));
}

void TestItunesMerge::mergeDuringAnImportFollowsIt()
{
    Tagdesk window;
    writeItunesLibrary(itunesLibraryFile(
        {itunesTrackDict({{"Persistent ID", "<string>01</string>"}, {"Kind", "<string>MPEG audio file</string>"}})}));
    QSignalSpy done(&window, &Tagdesk::loadItunesDone);
    OutputCapture output;
    window.from_iTunesSync();
    // Unsaved changes would bring up the save question, whose event loop
    // lets the import finish before the command goes on.
    window.modified = false;
    window.mergeEdit();
    window.modified = false;
    window.mergeEdit();
    QVERIFY(done.wait(10000));
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);
    QCOMPARE(output.out().count(QStringLiteral("Merge done\n")), 1);
    QCOMPARE(window.libraryModel->rowCount(), 1);
}

VELMORA_TEST_MAIN(TestItunesMerge)
#include "tst_itunesmerge.moc"
