// Sessions over real loopback connections against the real server, with a
// phone on a thread of its own while the test's thread runs the event loop.
#include "librarysongs.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "table/columns.h"
#include "outputcapture.h"
#include "phonebytes.h"
#include "scriptedphone.h"
#include "sync/broadcastserver.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using namespace phonebytes;

namespace {

// The lines of a stream without the "blocked" lines, whose number depends on
// how the phone's bytes happen to arrive.
QString withoutBlocked(const QString &text)
{
    QStringList kept;
    for (const QString &line : text.split('\n')) {
        if (!line.startsWith(QLatin1String("blocked: ")))
            kept << line;
    }
    return kept.join('\n');
}

void showSong(const char *id, const char *bpm)
{
    SongStore::library().update(id, [id, bpm](DBelement &record) {
        record.setPersistentID(QString::fromLatin1(id));
        record.setTitle(QStringLiteral("Shown"));
        if (bpm)
            record.setBPM(QString::fromLatin1(bpm));
    });
    SongStore::library().setupRow(id);
}

bool flag(const char *id, SongField field) { return librarySong(QString::fromLatin1(id)).flag(field); }

void setOnPhone(const char *id)
{
    SongStore::library().change(id, [](DBelement &record) { record.setIphone(QStringLiteral("true")); });
}

} // namespace

class TestSyncSession : public QObject
{
    Q_OBJECT

    // Plays the phone's script and waits until the desktop has handled the
    // session's end (the library's bulk change ends then).
    bool runSession(ScriptedPhone &phone)
    {
        phone.start();
        const bool done = QTest::qWaitFor([&] { return phone.finished(); }, 20000);
        phone.join();
        return done && QTest::qWaitFor([] { return !SongStore::library().inBulkChange(); }, 5000);
    }

    Tagdesk *window = nullptr;
    std::unique_ptr<BroadcastServer> server;

private slots:
    void initTestCase() { window = new Tagdesk; }

    void init()
    {
        SongStore::library().clear();
        server = std::make_unique<BroadcastServer>();
        QVERIFY(server->isListening());
    }

    void cleanup() { server.reset(); }

    void cleanupTestCase() { delete window; }

    void documentedExampleSong()
    {
        OutputCapture capture;
        ScriptedPhone phone;
        phone
            .send(QByteArray::fromHex("02000000030000000400000001000000000000000000000000000000000000000000000003"
                                      "00000001000000313233747275654131323031"))
            .send(wantBpms());
        QVERIFY(runSession(phone));
        QVERIFY(phone.closedByDesktop);
        QCOMPARE(phone.received.toHex(), QByteArray("05000000"));
        QCOMPARE(capture.out(),
                 QStringLiteral("incomingConnection\n"
                                "qvx GOT MUSICPASS\n"
                                "Got MPMediaItemPropertyPersistentID:123\n"
                                "Got MPMediaItemPropertyUserChanged:true\n"
                                "Got MPMediaItemPropertyTitle:A\n"
                                "Got MPMediaItemPropertyAlbumTitle:\n"
                                "Got MPMediaItemPropertyArtist:\n"
                                "Got MPMediaItemPropertyAlbumArtist:\n"
                                "Got MPMediaItemPropertyGenre:\n"
                                "Got MPMediaItemPropertyComposer:\n"
                                "Got MPMediaItemPropertyBPM:120\n"
                                "Got MPMediaItemPropertyOnDevice:1\n"));
        QCOMPARE(withoutBlocked(capture.err()), QStringLiteral("wantbpms\nIn writting mode\ndone\n"));
        const DBelement &record = librarySong(QStringLiteral("123"));
        QCOMPARE(record.text(SongField::Title), QStringLiteral("A"));
        QCOMPARE(record.bpm(), 120);
        QCOMPARE(record.deviceBPM, 120);
        QVERIFY(flag("123", SongField::Iphone));
        QVERIFY(flag("123", SongField::UserChanged));
        QCOMPARE(window->libraryModel->rowCount(), 1);
        QCOMPARE(cellText(window->libraryModel, 0, ColumnPersistentID), QStringLiteral("123"));
    }

    // One song sent, then the BPM list asked for: what the library keeps and
    // what comes back. shownBpm: none (nullptr) for a song new to the desktop.
    void mergesUnderTheBpmRule_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArray>("shownBpm");
        QTest::addColumn<QByteArray>("userChanged");
        QTest::addColumn<QByteArray>("bpmText");
        QTest::addColumn<QByteArray>("onDevice");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("deviceBpm");
        QTest::addColumn<QByteArray>("reply");

        QTest::newRow("new song takes the phone's BPM, nothing sent back")
            << QByteArray("500") << QByteArray() << QByteArray("false") << QByteArray("100") << QByteArray("true")
            << 100 << 100 << reply({});
        QTest::newRow("shown song keeps its BPM and sends it back")
            << QByteArray("500") << QByteArray("128") << QByteArray("false") << QByteArray("100") << QByteArray("true")
            << 128 << 100 << reply({{500, 128}});
        QTest::newRow("changed by the user: true")
            << QByteArray("500") << QByteArray("128") << QByteArray("true") << QByteArray("100") << QByteArray("true")
            << 100 << 100 << reply({});
        QTest::newRow("changed by the user: 1") << QByteArray("500") << QByteArray("128") << QByteArray("1")
                                                << QByteArray("100") << QByteArray("1") << 100 << 100 << reply({});
        QTest::newRow("TRUE is no flag") << QByteArray("500") << QByteArray("128") << QByteArray("TRUE")
                                         << QByteArray("100") << QByteArray("true") << 128 << 100
                                         << reply({{500, 128}});
        QTest::newRow("shown song without BPM") << QByteArray("500") << QByteArray("") << QByteArray("false")
                                                << QByteArray("100") << QByteArray("true") << 100 << 100 << reply({});
        QTest::newRow("shown song with BPM 0") << QByteArray("500") << QByteArray("0") << QByteArray("false")
                                               << QByteArray("100") << QByteArray("true") << 100 << 100 << reply({});
        QTest::newRow("BPM 120.7: kept as 120, phone holds 0")
            << QByteArray("500") << QByteArray() << QByteArray("false") << QByteArray("120.7") << QByteArray("true")
            << 120 << 0 << reply({{500, 120}});
        QTest::newRow("not on the phone: nothing sent")
            << QByteArray("500") << QByteArray("128") << QByteArray("false") << QByteArray("100") << QByteArray("false")
            << 128 << 100 << reply({});
        QTest::newRow("non-decimal ID is sent as 0")
            << QByteArray("9F2A0C") << QByteArray("128") << QByteArray("false") << QByteArray("100")
            << QByteArray("true") << 128 << 100 << reply({{0, 128}});
        QTest::newRow("negative decimal ID")
            << QByteArray("-42") << QByteArray("128") << QByteArray("false") << QByteArray("100") << QByteArray("true")
            << 128 << 100 << reply({{-42, 128}});
    }
    void mergesUnderTheBpmRule()
    {
        QFETCH(QByteArray, id);
        QFETCH(QByteArray, shownBpm);
        QFETCH(QByteArray, userChanged);
        QFETCH(QByteArray, bpmText);
        QFETCH(QByteArray, onDevice);
        QFETCH(int, bpm);
        QFETCH(int, deviceBpm);
        QFETCH(QByteArray, reply);
        if (!shownBpm.isNull())
            showSong(id.constData(), shownBpm.isEmpty() ? nullptr : shownBpm.constData());
        const int rowsBefore = window->libraryModel->rowCount();

        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(song(id, userChanged, bpmText, onDevice)).send(wantBpms());
        QVERIFY(runSession(phone));
        QCOMPARE(phone.received.toHex(), reply.toHex());
        const DBelement &record = librarySong(QString::fromLatin1(id));
        QCOMPARE(record.bpm(), bpm);
        QCOMPARE(record.deviceBPM, deviceBpm);
        QCOMPARE(record.text(SongField::Artist), QStringLiteral("Artist"));
        QCOMPARE(window->libraryModel->rowCount(), shownBpm.isNull() ? rowsBefore + 1 : rowsBefore);
        QVERIFY(record.isShown());
    }

    void repliesForSongsLoadedBefore()
    {
        showSong("123", "120");
        setOnPhone("123");
        showSong("124", "90"); // not on the phone
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(wantBpms());
        QVERIFY(runSession(phone));
        QCOMPARE(phone.received.size(), 20);
        QCOMPARE(phone.received.left(14).toHex(), QByteArray("040000007b000000000000007800"));
        QCOMPARE(phone.received.mid(16).toHex(), QByteArray("05000000"));
        QCOMPARE(withoutBlocked(capture.err()),
                 QStringLiteral("wantbpms\nIn writting mode\npersistentID: 7b bpm: 120\ndone\n"));
        QCOMPARE(librarySong(QStringLiteral("123")).deviceBPM, 0);
    }

    void emptyLibraryAnswersDoneAlone()
    {
        ScriptedPhone phone;
        phone.send(wantBpms());
        QVERIFY(runSession(phone));
        QVERIFY(phone.closedByDesktop);
        QCOMPARE(phone.received.toHex(), QByteArray("05000000"));
    }

    void unknownCodeThenWantBpms()
    {
        showSong("77", "140");
        setOnPhone("77");
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(command(7) + wantBpms());
        QVERIFY(runSession(phone));
        QCOMPARE(capture.out(), QStringLiteral("incomingConnection\nunknown cmd: 7\n"));
        QCOMPARE(phone.received.toHex(), reply({{77, 140}}).toHex());
    }

    void twoVersionsAreBothReported()
    {
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(QByteArray::fromHex("0100000003000000")).send(QByteArray::fromHex("0100000004000000")).hangUp();
        QVERIFY(runSession(phone));
        QVERIFY(phone.closedByDesktop);
        QVERIFY(phone.received.isEmpty());
        QVERIFY2(capture.out().startsWith(QLatin1String("incomingConnection\nCMD_VERSION: 3\nCMD_VERSION: 4\n")),
                 qPrintable(capture.out()));
        QVERIFY(capture.err().contains(QLatin1String("recv2: ")));
    }

    void silencePastThreeSecondsEndsTheSession()
    {
        OutputCapture capture;
        ScriptedPhone phone;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(runSession(phone));
        QVERIFY(clock.elapsed() >= 2500);
        QVERIFY(phone.closedByDesktop);
        QVERIFY(phone.received.isEmpty());
        const QStringList err = capture.err().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(err.size(), 4);
        QCOMPARE(err.mid(0, 3), QStringList({"blocked: 0", "blocked: 0", "blocked: 0"}));
        QVERIFY(err[3].startsWith(QLatin1String("recv2: ")));
        QCOMPARE(capture.out(), QStringLiteral("incomingConnection\n got 0\n"));
    }

    void secondPhoneIsRefusedWhileTheFirstRuns()
    {
        showSong("1", "150");
        setOnPhone("1");
        OutputCapture capture;
        ScriptedPhone first;
        first.send(QByteArray::fromHex("0100000002000000")).pause(1500).send(wantBpms());
        first.start();
        QTRY_VERIFY(SongStore::library().inBulkChange());

        ScriptedPhone second;
        second.send(wantBpms());
        QElapsedTimer clock;
        clock.start();
        second.start();
        QVERIFY(QTest::qWaitFor([&] { return second.finished(); }, 5000));
        QVERIFY(clock.elapsed() < 1200);
        QVERIFY(second.closedByDesktop);
        QVERIFY(second.received.isEmpty());
        QVERIFY(!first.finished());

        QVERIFY(QTest::qWaitFor([&] { return first.finished(); }, 10000));
        QCOMPARE(first.received.toHex(), reply({{1, 150}}).toHex());
        QTRY_VERIFY(!SongStore::library().inBulkChange());

        ScriptedPhone third;
        third.send(wantBpms());
        QVERIFY(runSession(third));
        QCOMPARE(third.received.toHex(), reply({{1, 150}}).toHex());
        QCOMPARE(capture.out().count(QLatin1String("incomingConnection\n")), 3);
    }

    void absurdLengthsEndTheSession_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QString>("diagnostic");
        const int mib = 1 << 20;
        QTest::newRow("negative") << QList<int>{2, 4, -5, 0, 0, 0, 0, 0, 3, 1}
                                  << QStringLiteral("MUSICPASS field 2 length refused\n");
        QTest::newRow("field over 1 MiB") << QList<int>{2, 4, 0, 0, 0, 0, 0, 0x7fffffff, 3, 1}
                                          << QStringLiteral("MUSICPASS field 7 length refused\n");
        QTest::newRow("message over 8 MiB") << QList<int>{mib, mib, mib, mib, mib, mib, mib, mib, mib, mib}
                                            << QStringLiteral("MUSICPASS of 10485760 bytes refused\n");
    }
    void absurdLengthsEndTheSession()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(QString, diagnostic);
        QByteArray message = command(wire::MUSICPASS);
        for (int length : lengths)
            message += command(length);
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(message + "42true").send(wantBpms());
        QVERIFY(runSession(phone));
        QVERIFY(phone.closedByDesktop);
        QVERIFY(phone.received.isEmpty());
        QVERIFY2(capture.err().endsWith(diagnostic), qPrintable(capture.err()));
        QCOMPARE(capture.out(), QStringLiteral("incomingConnection\nqvx GOT MUSICPASS\n"));
        QVERIFY((SongStore::library().size() == 0));
    }

    // The fields that arrived before a message broke off stay applied; the
    // record gets no row from that message.
    void brokenMessageKeepsWhatArrived()
    {
        showSong("61", "128");
        // Song 60: the title breaks off. Song 61: everything up to the BPM arrives.
        const QByteArray titleCut = song("60", "true", "100", "true", "Long title").left(44 + 2 + 4 + 3);
        const QByteArray bpmCut = song("61", "false", "100", "true", "New title").chopped(3);
        for (const QByteArray &cut : {titleCut, bpmCut}) {
            OutputCapture capture;
            ScriptedPhone phone;
            phone.send(cut).hangUp();
            QVERIFY(runSession(phone));
            QVERIFY(capture.err().contains(QLatin1String("recv1: ")));
        }
        QVERIFY(flag("60", SongField::UserChanged));
        QCOMPARE(librarySong(QStringLiteral("60")).text(SongField::Title), QString());
        QVERIFY(!librarySong(QStringLiteral("60")).isShown());
        QCOMPARE(librarySong(QStringLiteral("61")).text(SongField::Title), QStringLiteral("New title"));
        QCOMPARE(librarySong(QStringLiteral("61")).bpm(), 128);
        QCOMPARE(librarySong(QStringLiteral("61")).deviceBPM, 128);
        QCOMPARE(window->libraryModel->rowCount(), 1);
    }

    // Many songs in one session, each sent twice: the second copy meets the
    // row and BPM that the first gave it, so effects applied out of order or
    // late would show in the reply.
    void manySongsKeepTheirOrderOfEffects()
    {
        const int songs = 1500;
        QByteArray stream;
        QList<QPair<qint64, int>> expected;
        for (int i = 0; i < songs; ++i) {
            const QByteArray id = QByteArray::number(100000 + i);
            stream += song(id, "false", "100", "true");
            stream += song(id, "false", i % 3 == 0 ? "90.5" : "90", "true");
            expected.append({100000 + i, 100});
        }
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(stream).send(wantBpms());
        QVERIFY(runSession(phone));
        QCOMPARE(window->libraryModel->rowCount(), songs);
        QCOMPARE(int(SongStore::library().size()), songs);
        QCOMPARE(phone.received.size(), reply(expected).size());
        QVERIFY(phone.received == reply(expected));
        QCOMPARE(capture.out().count(QLatin1String("qvx GOT MUSICPASS\n")), 2 * songs);
    }

    void quittingEndsASessionThatWaitsForThePhone()
    {
        ScriptedPhone phone;
        phone.start();
        QTRY_VERIFY(SongStore::library().inBulkChange());
        QTest::qWait(100);
        QElapsedTimer clock;
        clock.start();
        server.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(QTest::qWaitFor([&] { return phone.finished(); }, 5000));
        QVERIFY(phone.closedByDesktop);
    }

    // The session waits for the GUI thread to apply a song while the event
    // loop no longer runs, as after the application's loop has ended.
    void quittingEndsASessionThatWaitsForTheGuiThread()
    {
        ScriptedPhone phone;
        phone.pause(300).send(song("55", "true", "120", "true"));
        phone.start();
        QTRY_VERIFY(SongStore::library().inBulkChange());
        QThread::msleep(800);
        QElapsedTimer clock;
        clock.start();
        server.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTest::qWait(50);
        QCOMPARE(SongStore::library().tableMap().count("55"), size_t(0));
        QVERIFY(QTest::qWaitFor([&] { return phone.finished(); }, 5000));
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestSyncSession)
#include "tst_syncsession.moc"
