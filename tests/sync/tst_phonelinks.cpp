// A phone with a music library of its own pushes songs under IDs the desktop
// has never seen: sessions over real loopback connections against the real
// server, finding the library's songs by title, artist and album.
#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "librarysongs.h"
#include "outputcapture.h"
#include "phonebytes.h"
#include "scriptedphone.h"
#include "songfiles.h"
#include "sync/broadcastserver.h"
#include "sync/phonemerge.h"
#include "testenvironment.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace phonebytes;

namespace {

// The phone's song: its own ID, BPM 100 not changed by the user, on the phone.
QByteArray phoneSong(const QByteArray &id, const QString &title, const QString &artist, const QString &album,
                     const char *bpm = "100")
{
    return bytes(wire::encodeMusicPass({id.toStdString(), "false", title.toStdString(), album.toStdString(),
                                        artist.toStdString(), "", "", "", bpm, "true"}));
}

// A song of a music folder the desktop imported: shown, BPM 128.
void addFolderSong(const char *id, const QString &title, const QString &artist, const QString &album)
{
    editSong(QString::fromLatin1(id), [&](DBelement &record) {
        record.setPersistentID(QString::fromLatin1(id));
        record.setTitle(title);
        record.setArtist(artist);
        record.setAlbumTitle(album);
        record.setItunes(QStringLiteral("1"));
        record.setBPM(128);
        record.setLocation(QStringLiteral("/music/%1.flac").arg(title.left(20)));
    });
    SongStore::library().setupRow(id);
}

// A reply with its BPM records in one order: the desktop sends them in the
// order of its own keys, which for imported songs follow their paths' hashes.
QByteArray sortedReply(const QByteArray &received)
{
    QList<QByteArray> records;
    qsizetype at = 0;
    for (; at + 16 <= received.size() - 4; at += 16)
        records << received.mid(at, 16);
    std::sort(records.begin(), records.end());
    return records.join() + received.mid(at);
}

QString phoneIDOf(const char *id) { return librarySong(QString::fromLatin1(id)).text(SongField::PhoneID); }

} // namespace

class TestPhoneLinks : public QObject
{
    Q_OBJECT

    bool runSession(ScriptedPhone &phone)
    {
        phone.start();
        const bool done = QTest::qWaitFor([&] { return phone.finished(); }, 60000);
        phone.join();
        return done && QTest::qWaitFor([] { return !SongStore::library().inBulkChange(); }, 5000);
    }

    // One session: the songs, then the BPM list; what came back.
    QByteArray sync(const QByteArray &songs)
    {
        OutputCapture capture;
        ScriptedPhone phone;
        phone.send(songs).send(wantBpms());
        if (!runSession(phone))
            return "session failed";
        return phone.received;
    }

    std::unique_ptr<Tagdesk> window;
    std::unique_ptr<BroadcastServer> server;
    QTemporaryDir files;

private slots:
    void init()
    {
        SongStore::library().clear();
        window = std::make_unique<Tagdesk>();
        server = std::make_unique<BroadcastServer>();
        QVERIFY(server->isListening());
    }

    void cleanup()
    {
        server.reset();
        window.reset();
    }

    // One library song ("Song" by "Band" on "LP" unless the row says
    // otherwise), perhaps a twin of it, and one phone song under ID 424242.
    void linksTheOneSongThatIsThePhones_data()
    {
        QTest::addColumn<QStringList>("library");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("phone");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QByteArray>("reply");
        const QStringList song{"Song", "Band", "LP"};
        const QByteArray sentBack = reply({{424242, 128}});
        const QByteArray nothing = reply({});
        QTest::newRow("exact") << song << "free" << song << true << sentBack;
        QTest::newRow("case and spaces") << song << "free" << QStringList{" SONG ", "band", "lp"} << true << sentBack;
        QTest::newRow("NFC in the library, NFD on the phone")
            << QStringList{QStringLiteral("Caf\u00e9"), "Band", "LP"} << "free"
            << QStringList{QStringLiteral("Cafe\u0301"), "Band", "LP"} << true << sentBack;
        QTest::newRow("accents and a leading The") << QStringList{QStringLiteral("Caf\u00e9"), "The Band", "LP"}
                                                   << "free" << QStringList{"Cafe", "Band", "LP"} << true << sentBack;
        QTest::newRow("no album on the phone") << song << "free" << QStringList{"Song", "Band", ""} << true << sentBack;
        QTest::newRow("no album in the library")
            << QStringList{"Song", "Band", ""} << "free" << song << true << sentBack;
        QTest::newRow("other album") << song << "free" << QStringList{"Song", "Band", "Live"} << false << nothing;
        QTest::newRow("other artist") << song << "free" << QStringList{"Song", "Others", "LP"} << false << nothing;
        QTest::newRow("no title on either side")
            << QStringList{"", "Band", "LP"} << "free" << QStringList{"", "Band", "LP"} << false << nothing;
        QTest::newRow("two library songs to choose from") << song << "twin" << song << false << nothing;
        QTest::newRow("linked to another phone ID") << song << "linked" << song << false << reply({{999, 128}});
        QTest::newRow("on the phone under its own ID") << song << "on phone" << song << false << reply({{7001, 128}});
    }
    void linksTheOneSongThatIsThePhones()
    {
        QFETCH(QStringList, library);
        QFETCH(QString, state);
        QFETCH(QStringList, phone);
        QFETCH(bool, linked);
        QFETCH(QByteArray, reply);
        addFolderSong("7001", library[0], library[1], library[2]);
        if (state == QLatin1String("twin"))
            addFolderSong("7002", library[0], library[1], library[2]);
        editSong(QStringLiteral("7001"), [&state](DBelement &record) {
            if (state == QLatin1String("linked"))
                record.setPhoneID(QStringLiteral("999"));
            record.setIphone(state == QLatin1String("linked") || state == QLatin1String("on phone")
                                 ? QStringLiteral("true")
                                 : QStringLiteral("false"));
        });
        const int rows = window->libraryModel->rowCount();

        const QByteArray received = sync(phoneSong("424242", phone[0], phone[1], phone[2]));
        QCOMPARE(received.toHex(), reply.toHex());
        const DBelement &record = librarySong(QStringLiteral("7001"));
        QCOMPARE(record.text(SongField::Title), library[0]);
        QCOMPARE(record.bpm(), 128);
        if (linked) {
            QCOMPARE(window->libraryModel->rowCount(), rows);
            QCOMPARE(record.text(SongField::PhoneID), QStringLiteral("424242"));
            QCOMPARE(record.deviceBPM, 100);
            QVERIFY(record.flag(SongField::Iphone));
            QCOMPARE(SongStore::library().tableMap().count("424242"), size_t(0));
        } else {
            QCOMPARE(window->libraryModel->rowCount(), rows + 1);
            QCOMPARE(record.text(SongField::PhoneID), state == QLatin1String("linked") ? "999" : QString());
            QCOMPARE(librarySong(QStringLiteral("424242")).bpm(), 100);
            if (state == QLatin1String("twin"))
                QCOMPARE(librarySong(QStringLiteral("7002")).text(SongField::PhoneID), QString());
        }
    }

    // Titles of 1 MiB link like any other. Applied as the session applies a
    // message that has arrived: a field that long may reach a session in more
    // pieces than it waits for, which then ends it as a short read.
    void linksSongsWithTitlesOfOneMiB()
    {
        const QString mib(1 << 20, QLatin1Char('x'));
        addFolderSong("7001", mib, QStringLiteral("Band"), QStringLiteral("LP"));
        PhoneMessage message;
        message.kind = PhoneMessage::MusicPass;
        message.fields = {"424242", "false", mib.toStdString(), "LP", "Band", "", "", "", "100", "true"};
        message.fieldsArrived = wire::musicPassFieldCount;
        OutputCapture capture;
        PhoneMerge merge;
        for (int steps = 0; !merge.prepare(message, QDeadlineTimer(10)) && steps < 1000; ++steps) {
        }
        merge.apply(message);
        QCOMPARE(phoneIDOf("7001"), QStringLiteral("424242"));
        QCOMPARE(SongStore::library().tableMap().count("424242"), size_t(0));
    }

    // Two phone songs that are the same library song, and many more of the
    // same title: the first is linked, every other one gets a row of its own,
    // and no record holds two phone IDs.
    void onePhoneIDPerSong()
    {
        addFolderSong("7001", QStringLiteral("Song"), QStringLiteral("Band"), QStringLiteral("LP"));
        QByteArray songs;
        const int phoneSongs = 10000;
        for (int i = 0; i < phoneSongs; ++i)
            songs += phoneSong(QByteArray::number(500000 + i), QStringLiteral("Song"), QStringLiteral("Band"),
                               i % 2 ? QStringLiteral("LP") : QString());
        const QByteArray received = sync(songs);
        QCOMPARE(received.toHex(), reply({{500000, 128}}).toHex());
        QCOMPARE(phoneIDOf("7001"), QStringLiteral("500000"));
        QCOMPARE(window->libraryModel->rowCount(), phoneSongs);
        QCOMPARE(SongStore::library().tableMap().count("500000"), size_t(0));
        QCOMPARE(librarySong(QStringLiteral("500001")).text(SongField::PhoneID), QString());
    }

    // A link holds until the song is deleted or the phone sends the song
    // under the song's own ID; a record never answers to two phone IDs.
    void linkEndsWithDeleteOrTheSongsOwnID()
    {
        addFolderSong("7001", QStringLiteral("Song"), QStringLiteral("Band"), QStringLiteral("LP"));
        addFolderSong("7002", QStringLiteral("Other"), QStringLiteral("Band"), QStringLiteral("LP"));
        QCOMPARE(sync(phoneSong("424242", "Song", "Band", "LP") + phoneSong("434343", "Other", "Band", "LP")).toHex(),
                 reply({{424242, 128}, {434343, 128}}).toHex());

        SongStore::library().remove("7001");
        QCOMPARE(sync(phoneSong("424242", "Song", "Band", "LP")).toHex(), reply({{434343, 128}}).toHex());
        QCOMPARE(librarySong(QStringLiteral("424242")).bpm(), 100);

        QCOMPARE(sync(phoneSong("7002", "Other", "Band", "LP")).toHex(), reply({{7002, 128}}).toHex());
        QCOMPARE(phoneIDOf("7002"), QString());
        QCOMPARE(librarySong(QStringLiteral("7002")).bpm(), 128);
        QCOMPARE(librarySong(QStringLiteral("7002")).deviceBPM, 100);
        QCOMPARE(SongStore::library().tableMap().count("434343"), size_t(0));
    }

    // A folder imported for real, a phone session linking its songs, then
    // what a user does next: Merge, a re-import, Save and Open, and another
    // session in which the phone has renamed a song.
    void linkLastsThroughMergeReimportSaveAndReopen()
    {
        // Made here, not by ffmpeg: ThreadSanitizer cannot follow a test
        // process that starts threads after starting a process.
        const QString music = files.filePath("Music");
        QVERIFY(QDir().mkpath(music));
        for (const char *title : {"Alpha", "Beta"}) {
            const QString path = music + "/" + QString::fromLatin1(title).toLower() + ".wav";
            QVERIFY(makeSilentWav(path));
            QVERIFY(addWavId3Chunk(path, {{"TIT2", title}, {"TPE1", "Band"}, {"TALB", "LP"}}));
        }
        rememberMusicFolder(music);
        QSignalSpy imported(window.get(), &Tagdesk::loadItunesDone);
        window->importMusicPaths({music}, true);
        QVERIFY(imported.wait(20000));
        QCOMPARE(window->libraryModel->rowCount(), 2);
        std::string alpha, beta;
        for (const auto &[key, record] : SongStore::library().tableMap())
            (record.text(SongField::Title) == QLatin1String("Alpha") ? alpha : beta) = key;
        SongStore::library().change(alpha, [](DBelement &record) { record.setBPM(121); });
        SongStore::library().change(beta, [](DBelement &record) { record.setBPM(134); });
        // What a session before links made of Beta: a row under the phone's ID.
        editSong(QStringLiteral("2002"), [](DBelement &record) {
            record.setPersistentID(QStringLiteral("2002"));
            record.setTitle(QStringLiteral("Beta"));
            record.setArtist(QStringLiteral("Band"));
            record.setAlbumTitle(QStringLiteral("LP"));
            record.setIphone(QStringLiteral("true"));
            record.setBPM(67);
        });
        SongStore::library().setupRow("2002");

        // Merge drops the phone's old row and links Beta to its ID.
        window->modified = false;
        QSignalSpy merged(window.get(), &Tagdesk::loadItunesDone);
        {
            OutputCapture capture;
            window->mergeEdit();
            QVERIFY(merged.wait(20000));
        }
        QCOMPARE(window->libraryModel->rowCount(), 2);
        QCOMPARE(SongStore::library().find(beta)->text(SongField::PhoneID), QStringLiteral("2002"));
        QCOMPARE(SongStore::library().find(beta)->bpm(), 134);

        const QByteArray phone =
            phoneSong("2001", "Alpha", "Band", "LP", "0") + phoneSong("2002", "Beta", "Band", "LP");
        QCOMPARE(sortedReply(sync(phone)).toHex(), reply({{2001, 121}, {2002, 134}}).toHex());
        QCOMPARE(SongStore::library().find(alpha)->text(SongField::PhoneID), QStringLiteral("2001"));

        QSignalSpy reimported(window.get(), &Tagdesk::loadItunesDone);
        {
            OutputCapture capture;
            window->importMusicPaths({music}, true);
            QVERIFY(reimported.wait(20000));
        }
        QCOMPARE(window->libraryModel->rowCount(), 2);
        QCOMPARE(SongStore::library().find(alpha)->text(SongField::PhoneID), QStringLiteral("2001"));

        const QString libraryFile = files.filePath("linked.tgd");
        QVERIFY(window->writeLibrary(libraryFile));
        SongStore::library().clear();
        QSignalSpy loaded(window.get(), &Tagdesk::loadFileDone);
        window->loadFile(libraryFile);
        QVERIFY(loaded.count() || loaded.wait(10000));
        QCOMPARE(window->libraryModel->rowCount(), 2);

        // Renamed on the phone: still the linked song, its title its own.
        const QByteArray renamed = phoneSong("2001", "Alpha (Remastered)", "Band", "LP", "121")
            + phoneSong("2002", "Beta", "Band", "LP", "90");
        QCOMPARE(sync(renamed).toHex(), reply({{2002, 134}}).toHex());
        QCOMPARE(window->libraryModel->rowCount(), 2);
        QCOMPARE(SongStore::library().find(alpha)->text(SongField::Title), QStringLiteral("Alpha"));
    }
};

VELMORA_TEST_MAIN_PRIVATE_NETWORK(TestPhoneLinks)
#include "tst_phonelinks.moc"
