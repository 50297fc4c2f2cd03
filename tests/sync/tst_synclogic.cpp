// The plain pieces of phone sync: the wire codec against the documented
// bytes, the message reader on recorded streams, the BPM rule, when a phone's
// song is a library song, and the discovery destinations.
#include "outputcapture.h"
#include "sync/discoverydestinations.h"
#include "sync/phonemerge.h"
#include "sync/phonemessagereader.h"
#include "sync/songidentity.h"
#include "sync/wirecodec.h"
#include "testenvironment.h"

#include <QTest>
#include <algorithm>

namespace {

QByteArray bytes(const std::string &data) { return QByteArray(data.data(), static_cast<qsizetype>(data.size())); }

const char *const exampleMusicPassHex = "02000000"
                                        "03000000"
                                        "04000000"
                                        "01000000"
                                        "00000000"
                                        "00000000"
                                        "00000000"
                                        "00000000"
                                        "00000000"
                                        "03000000"
                                        "01000000"
                                        "313233"
                                        "74727565"
                                        "41"
                                        "313230"
                                        "31";

// A stream that has delivered these bytes and no more.
class RecordedStream : public ByteSource
{
public:
    explicit RecordedStream(std::string data) : data(std::move(data)) {}
    int64_t read(std::string &out, int64_t count) override
    {
        const int64_t got = std::min<int64_t>(count, static_cast<int64_t>(data.size() - position));
        out.assign(data, position, static_cast<size_t>(got));
        position += static_cast<size_t>(got);
        return got;
    }
    size_t position = 0;

private:
    std::string data;
};

std::string header(const wire::MusicPassLengths &lengths)
{
    std::string out;
    wire::appendInt32(out, wire::MUSICPASS);
    for (int32_t length : lengths)
        wire::appendInt32(out, length);
    return out;
}

} // namespace

class TestSyncLogic : public QObject
{
    Q_OBJECT

private slots:
    void musicPassExample()
    {
        const wire::MusicPassFields song{"123", "true", "A", "", "", "", "", "", "120", "1"};
        const std::string encoded = wire::encodeMusicPass(song);
        QCOMPARE(encoded.size(), size_t(56));
        QCOMPARE(bytes(encoded).toHex(), QByteArray(exampleMusicPassHex));
    }

    void bpmReplyExample()
    {
        const std::string reply = wire::encodeBpmRecord(123, 120);
        QCOMPARE(reply.size(), size_t(16));
        QCOMPARE(bytes(reply).left(14).toHex(), QByteArray("040000007b000000000000007800"));
        QCOMPARE(bytes(wire::encodeDone()).toHex(), QByteArray("05000000"));
        QCOMPARE(bytes(wire::encodeWantBpms()).toHex(), QByteArray("03000000"));
        QCOMPARE(bytes(wire::encodeVersion(-2)).toHex(), QByteArray("01000000feffffff"));
    }

    void bpmRecordRoundTrip_data()
    {
        QTest::addColumn<qint64>("persistentID");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("decodedBpm");
        QTest::newRow("plain") << qint64(123) << 120 << 120;
        QTest::newRow("negative ID, full 64 bits") << qint64(-8070450532247928832LL) << 200 << 200;
        QTest::newRow("BPM -1 travels as FFFF") << qint64(1) << -1 << -1;
        QTest::newRow("only the low 16 bits") << qint64(1) << 65536 + 99 << 99;
    }
    void bpmRecordRoundTrip()
    {
        QFETCH(qint64, persistentID);
        QFETCH(int, bpm);
        QFETCH(int, decodedBpm);
        const std::string reply = wire::encodeBpmRecord(persistentID, bpm);
        QCOMPARE(wire::readInt32(reply.data()), int32_t(wire::CMD_BPMRECORD));
        const wire::BpmRecord record = wire::decodeBpmRecord(reply.data() + 4);
        QCOMPARE(record.persistentID, persistentID);
        QCOMPARE(int(record.bpm), decodedBpm);
    }

    void bpmRule_data()
    {
        QTest::addColumn<bool>("userChanged");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("currentBpm");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("shown, BPM 128, not changed by the user") << false << true << 128 << false;
        QTest::newRow("changed by the user wins over a BPM") << true << true << 128 << true;
        QTest::newRow("song not shown yet") << false << false << 128 << true;
        QTest::newRow("no BPM on the desktop") << false << true << 0 << true;
        QTest::newRow("negative BPM counts as none") << false << true << -3 << true;
        QTest::newRow("lowest real BPM is kept") << false << true << 1 << false;
    }
    void bpmRule()
    {
        QFETCH(bool, userChanged);
        QFETCH(bool, shown);
        QFETCH(int, currentBpm);
        QFETCH(bool, accepted);
        QCOMPARE(phoneBpmAccepted(userChanged, shown, currentBpm), accepted);
    }

    void readsMessages_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("failure");
        QTest::addColumn<bool>("hasMessage");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("fieldsArrived");
        QTest::addColumn<int>("consumed");

        const QByteArray example = QByteArray::fromHex(exampleMusicPassHex);
        QTest::newRow("complete MUSICPASS")
            << example << int(ReadResult::None) << true << int(PhoneMessage::MusicPass) << 0 << 10 << 56;
        QTest::newRow("version") << QByteArray::fromHex("0100000005000000") << int(ReadResult::None) << true
                                 << int(PhoneMessage::Version) << 5 << 0 << 8;
        QTest::newRow("unknown code has no payload") << QByteArray::fromHex("0700000003000000") << int(ReadResult::None)
                                                     << true << int(PhoneMessage::Unknown) << 7 << 0 << 4;
        QTest::newRow("want BPMs") << QByteArray::fromHex("03000000") << int(ReadResult::None) << true
                                   << int(PhoneMessage::WantBpms) << 0 << 0 << 4;
        QTest::newRow("code short") << QByteArray::fromHex("0200") << int(ReadResult::CommandShort) << false
                                    << int(PhoneMessage::Unknown) << 0 << 0 << 2;
        QTest::newRow("version short") << QByteArray::fromHex("01000000050000") << int(ReadResult::VersionShort)
                                       << false << int(PhoneMessage::Unknown) << 0 << 0 << 7;
        QTest::newRow("header short") << example.left(30) << int(ReadResult::HeaderShort) << true
                                      << int(PhoneMessage::MusicPass) << 0 << 0 << 30;
        QTest::newRow("title short") << example.left(44 + 3 + 4) << int(ReadResult::FieldShort) << true
                                     << int(PhoneMessage::MusicPass) << 0 << 2 << 51;
        QTest::newRow("BPM field short") << example.left(53) << int(ReadResult::FieldShort) << true
                                         << int(PhoneMessage::MusicPass) << 0 << 8 << 53;
    }
    void readsMessages()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, failure);
        QFETCH(bool, hasMessage);
        QFETCH(int, kind);
        QFETCH(int, number);
        QFETCH(int, fieldsArrived);
        QFETCH(int, consumed);
        RecordedStream source(stream.toStdString());
        PhoneMessage message;
        const ReadResult result = readPhoneMessage(source, message);
        QCOMPARE(int(result.failure), failure);
        QCOMPARE(result.hasMessage, hasMessage);
        QCOMPARE(int(source.position), consumed);
        if (!hasMessage)
            return;
        QCOMPARE(int(message.kind), kind);
        QCOMPARE(message.number, number);
        QCOMPARE(message.fieldsArrived, fieldsArrived);
        if (fieldsArrived == 10) {
            const wire::MusicPassFields expected{"123", "true", "A", "", "", "", "", "", "120", "1"};
            QVERIFY(message.fields == expected);
        }
    }

    void refusesAbsurdLengthsBeforeReadingFields_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("field");
        const int mib = 1 << 20;
        QTest::newRow("negative title") << QList<int>{3, 4, -1, 0, 0, 0, 0, 0, 3, 1} << int(wire::LengthCheck::Negative)
                                        << 2;
        QTest::newRow("most negative") << QList<int>{INT32_MIN, 0, 0, 0, 0, 0, 0, 0, 0, 0}
                                       << int(wire::LengthCheck::Negative) << 0;
        QTest::newRow("field over 1 MiB")
            << QList<int>{3, 0, 0, 0, 0, 0, 0, mib + 1, 0, 0} << int(wire::LengthCheck::FieldTooLong) << 7;
        QTest::newRow("largest int") << QList<int>{3, 0, 0, 0, 0, 0, 0, 0, 0, INT32_MAX}
                                     << int(wire::LengthCheck::FieldTooLong) << 9;
        QTest::newRow("message over 8 MiB")
            << QList<int>{mib, mib, mib, mib, mib, mib, mib, mib, 1, 0} << int(wire::LengthCheck::MessageTooLong) << -1;
    }
    void refusesAbsurdLengthsBeforeReadingFields()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(int, problem);
        QFETCH(int, field);
        wire::MusicPassLengths header;
        std::copy(lengths.begin(), lengths.end(), header.begin());
        RecordedStream source(::header(header) + "123true");
        PhoneMessage message;
        const ReadResult result = readPhoneMessage(source, message);
        QCOMPARE(int(result.failure), int(ReadResult::BadLengths));
        QCOMPARE(int(result.lengths.problem), problem);
        QCOMPARE(result.lengths.field, field);
        QCOMPARE(message.fieldsArrived, 0);
        QCOMPARE(int(source.position), 44);
    }

    void acceptsLargestLengths()
    {
        wire::MusicPassLengths lengths{};
        lengths.fill(0);
        for (int i = 0; i < 8; ++i)
            lengths[i] = wire::maxFieldBytes;
        QCOMPARE(int(wire::checkLengths(lengths).problem), int(wire::LengthCheck::Fine));
        QCOMPARE(wire::checkLengths(lengths).total, wire::maxMusicPassBytes);
    }

    void discoveryDestinations_data()
    {
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<QStringList>("destinations");
        QTest::addColumn<QString>("lines");
        QTest::newRow("no interfaces") << QStringList{} << QStringList{"255.255.255.255", "0.0.0.0"} << QString();
        QTest::newRow("last octet only, whatever the netmask")
            << QStringList{"127.0.0.1", "::1", "192.168.20.5", "fe80::1", "10.0.1.7"}
            << QStringList{"255.255.255.255", "0.0.0.0", "192.168.20.255", "10.0.1.255"}
            << "Interface2:192.168.20.5 modified:192.168.20.255\nInterface4:10.0.1.7 modified:10.0.1.255\n";
        QTest::newRow("only 127.0.0.1 itself is skipped")
            << QStringList{"127.0.0.2"} << QStringList{"255.255.255.255", "0.0.0.0", "127.0.0.255"}
            << "Interface0:127.0.0.2 modified:127.0.0.255\n";
    }
    void discoveryDestinations()
    {
        QFETCH(QStringList, local);
        QFETCH(QStringList, destinations);
        QFETCH(QString, lines);
        QList<QHostAddress> addresses;
        for (const QString &address : local)
            addresses.append(QHostAddress(address));
        OutputCapture capture;
        QStringList got;
        for (const QHostAddress &address : ::discoveryDestinations(addresses)) {
            QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
            got << address.toString();
        }
        QCOMPARE(got, destinations);
        QCOMPARE(capture.out(), lines);
    }

    // A phone's song (title, artist, album) against a library song's.
    void sameSongIgnoresWhatLibrariesWriteDifferently_data()
    {
        QTest::addColumn<QStringList>("phone");
        QTest::addColumn<QStringList>("library");
        QTest::addColumn<bool>("same");
        const QString composed = QStringLiteral("Caf\u00e9");
        const QString decomposed = QStringLiteral("Cafe\u0301");
        QTest::newRow("exact") << QStringList{"Song", "Band", "LP"} << QStringList{"Song", "Band", "LP"} << true;
        QTest::newRow("case and surrounding spaces")
            << QStringList{"  SONG title ", "band", "lp "} << QStringList{"Song Title", "BAND", "LP"} << true;
        QTest::newRow("accents") << QStringList{"Cafe", "Beyonce", ""}
                                 << QStringList{composed, QStringLiteral("Beyonc\u00e9"), ""} << true;
        QTest::newRow("NFC against NFD") << QStringList{composed, "Band", "LP"} << QStringList{decomposed, "Band", "LP"}
                                         << true;
        QTest::newRow("German sharp s folds")
            << QStringList{"Strasse", "Band", ""} << QStringList{QStringLiteral("STRA\u00dfE"), "Band", ""} << true;
        QTest::newRow("leading The") << QStringList{"Song", "The Band", "LP"} << QStringList{"Song", "band", "LP"}
                                     << true;
        QTest::newRow("leading The before accents")
            << QStringList{QStringLiteral("THE  Caf\u00e9s"), "Band", ""} << QStringList{"cafes", "Band", ""} << true;
        QTest::newRow("The within a name stays")
            << QStringList{"Song", "Band The", ""} << QStringList{"Song", "Band", ""} << false;
        QTest::newRow("no album on the phone")
            << QStringList{"Song", "Band", ""} << QStringList{"Song", "Band", "LP"} << true;
        QTest::newRow("no album in the library")
            << QStringList{"Song", "Band", "LP"} << QStringList{"Song", "Band", ""} << true;
        QTest::newRow("other album") << QStringList{"Song", "Band", "LP"} << QStringList{"Song", "Band", "Live"}
                                     << false;
        QTest::newRow("other artist") << QStringList{"Song", "Band", ""} << QStringList{"Song", "Other", ""} << false;
        QTest::newRow("no artist on either side")
            << QStringList{"Song", "", ""} << QStringList{"Song", " ", ""} << true;
        QTest::newRow("no title is no one's")
            << QStringList{" ", "Band", "LP"} << QStringList{"", "Band", "LP"} << false;
        QTest::newRow("other script") << QStringList{QStringLiteral("\u65e5\u672c"), "Band", ""}
                                      << QStringList{QStringLiteral("\u65e5\u672c"), "Band", ""} << true;
        QTest::newRow("right-to-left and control characters")
            << QStringList{QStringLiteral("\u05e9\u05d9\u05e8\u0001"), "Band", ""}
            << QStringList{QStringLiteral("\u05e9\u05d9\u05e8"), "Band", ""} << false;
    }
    void sameSongIgnoresWhatLibrariesWriteDifferently()
    {
        QFETCH(QStringList, phone);
        QFETCH(QStringList, library);
        QFETCH(bool, same);
        QCOMPARE(sameSong(SongIdentity::of(phone[0], phone[1], phone[2]),
                          SongIdentity::of(library[0], library[1], library[2])),
                 same);
    }
};

VELMORA_TEST_MAIN(TestSyncLogic)
#include "tst_synclogic.moc"
