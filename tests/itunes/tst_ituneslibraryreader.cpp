#include "boundedrun.h"
#include "testenvironment.h"
#include "itunes/ituneslibraryreader.h"

#include <QBuffer>
#include <QDomDocument>
#include <QtTest>

// The streamed reading must find what a document-tree reading of the same
// file finds; the tree reading below is the reference it is checked against.
namespace {

const QStringList actedOnKeys = {"Kind",  "BPM",          "Name",     "Artist",  "Album",
                                 "Genre", "Album Artist", "Composer", "Location"};

QString keyName(ItunesKey key) { return actedOnKeys.at(int(key)); }

// One track as text: "ID|key=value|key=value..."; "-" for a missing ID value.
QString describe(bool hasID, const QString &id, const QStringList &keys)
{
    return (hasID ? id : QStringLiteral("-")) + QLatin1Char('|') + keys.join(QLatin1Char('|'));
}

// The first child of the node that follows the key, when it is text.
QString treeValue(const QDomElement &key, bool *found = nullptr)
{
    const QDomText text = key.nextSibling().firstChild().toText();
    if (found)
        *found = !text.isNull();
    return text.isNull() ? QString() : text.data();
}

QStringList treeReading(const QByteArray &xml)
{
    QDomDocument document;
    if (!document.setContent(xml, false))
        return {QStringLiteral("not well-formed")};
    QStringList tracks;
    const QDomNodeList keys = document.documentElement().elementsByTagName(QStringLiteral("key"));
    for (int i = 0; i < keys.length(); ++i) {
        const QDomElement anchor = keys.item(i).toElement();
        if (!anchor.firstChild().isText() || anchor.firstChild().toText().data() != QLatin1String("Persistent ID"))
            continue;
        QStringList visited;
        auto visit = [&visited](const QDomElement &key) {
            if (!key.firstChild().isText())
                return;
            const QString name = key.firstChild().toText().data();
            if (actedOnKeys.contains(name))
                visited << name + QLatin1Char('=') + treeValue(key);
        };
        for (QDomElement key = anchor.previousSiblingElement(QStringLiteral("key")); !key.isNull();
             key = key.previousSiblingElement(QStringLiteral("key")))
            visit(key);
        for (QDomElement key = anchor.nextSiblingElement(QStringLiteral("key")); !key.isNull();
             key = key.nextSiblingElement(QStringLiteral("key")))
            visit(key);
        bool hasID = false;
        const QString id = treeValue(anchor, &hasID);
        tracks << describe(hasID, id, visited);
    }
    return tracks;
}

QStringList streamReading(const QByteArray &xml, bool *hasKeys = nullptr)
{
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    ItunesLibraryReader reader(&buffer);
    while (reader.readFor(1000)) {
    }
    if (reader.failed())
        return {QStringLiteral("not well-formed")};
    if (hasKeys)
        *hasKeys = reader.hasKeys();
    QStringList tracks;
    for (const ItunesTrack &track : reader.takeTracks()) {
        QStringList visited;
        for (int i = 0; i < track.keyCount(); ++i)
            visited << keyName(track.key(i).key) + QLatin1Char('=') + track.key(i).value;
        tracks << describe(track.hasPersistentID, track.persistentIDText, visited);
    }
    return tracks;
}

QByteArray plist(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body
        + "\n</dict>\n</plist>\n";
}

} // namespace

class TestItunesLibraryReader : public QObject
{
    Q_OBJECT

private slots:
    void readsAsTheTreeDoes_data();
    void readsAsTheTreeDoes();
    void readsRealFilesAsTheTreeDoes_data();
    void readsRealFilesAsTheTreeDoes();
    void walksBackwardsThenForwards();
    void knowsWhetherThereAreKeys();
    void reportsMalformedXmlAsTheTreeParserDoes_data();
    void reportsMalformedXmlAsTheTreeParserDoes();
    void manyTracksInOneDictionaryStayLinear();
    void refusesMarkupBeyondItsLimits_data();
    void refusesMarkupBeyondItsLimits();
};

void TestItunesLibraryReader::readsAsTheTreeDoes_data()
{
    QTest::addColumn<QByteArray>("xml");
    const QByteArray tail = "<key>Name</key><string>N</string><key>Kind</key><string>MPEG audio file</string>";
    QTest::newRow("anchor first") << plist("<key>1</key><dict><key>Persistent ID</key><string>00FF</string>" + tail
                                           + "</dict>");
    QTest::newRow("anchor last") << plist("<key>1</key><dict>" + tail
                                          + "<key>Persistent ID</key><string>00FF</string></dict>");
    QTest::newRow("repeated keys around the anchor")
        << plist("<dict><key>Name</key><string>a</string><key>Name</key><string>b</string>"
                 "<key>Persistent ID</key><string>1</string>"
                 "<key>Name</key><string>c</string><key>BPM</key><integer>90</integer>"
                 "<key>Name</key><string>d</string></dict>");
    QTest::newRow("values without text") << plist(
        "<dict><key>Persistent ID</key><string>1</string><key>Name</key><string></string>"
        "<key>Artist</key><true/><key>Album</key><string>   </string>"
        "<key>Genre</key><!-- c --><string>g</string><key>Composer</key>junk<string>c</string>"
        "<key>Album Artist</key><dict><key>x</key></dict><key>Location</key></dict>");
    QTest::newRow("keys that are not plain text")
        << plist("<dict><key>Persistent ID</key><string>1</string><key><!--c-->Name</key><string>a</string>"
                 "<key>Na<![CDATA[me]]></key><string>b</string><key><![CDATA[Artist]]></key><string>c</string>"
                 "<key> Name</key><string>d</string><key>Album<b/></key><string>e</string></dict>");
    QTest::newRow("anchors that are not") << plist("<key>Library Persistent ID</key><string>1</string><dict>"
                                                   "<key>Persistent ID </key><string>2</string>"
                                                   "<key>Playlist Persistent ID</key><string>3</string></dict>");
    QTest::newRow("anchor in CDATA") << plist("<dict><key><![CDATA[Persistent ID]]></key><string>7</string>"
                                              "<key>Name</key><string>n</string></dict>");
    QTest::newRow("missing or odd ID values")
        << plist("<dict><key>Persistent ID</key></dict><dict><key>Persistent ID</key><string/></dict>"
                 "<dict><key>Persistent ID</key><string><![CDATA[AB]]>CD</string></dict>"
                 "<dict><key>Persistent ID</key><key>Name</key><string>n</string></dict>");
    QTest::newRow("two anchors in one dict")
        << plist("<dict><key>Name</key><string>a</string><key>Persistent ID</key><string>1</string>"
                 "<key>Artist</key><string>b</string><key>Persistent ID</key><string>2</string>"
                 "<key>Album</key><string>c</string></dict>");
    QTest::newRow("nested dicts and keys")
        << plist("<key>Tracks</key><dict><key>1</key><dict><key>Name</key><string>outer</string>"
                 "<key>Inner</key><dict><key>Persistent ID</key><string>2</string><key>Name</key><string>in</string>"
                 "</dict><key>Persistent ID</key><string>1</string><key>Genre</key><string>g</string></dict></dict>"
                 "<key>Persistent ID<key>Persistent ID</key><string>3</string></key><string>4</string>");
    QTest::newRow("siblings that are not dicts")
        << plist("<array><key>Persistent ID</key><string>5</string><string>x</string><key>Name</key>"
                 "<string>y</string><integer>1</integer><key>Kind</key><string>z</string></array>");
    QTest::newRow("entities") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY n \"Name\">]><plist>"
                                            "<dict><key>Persistent ID</key><string>1</string><key>&n;</key><string>"
                                            "a&#38;b&lt;&n;</string><key>Artist</key><string>&#32;</string></dict>"
                                            "</plist>");
    QTest::newRow("long value") << plist("<dict><key>Persistent ID</key><string>1</string><key>Name</key><string>"
                                         + QByteArray(100000, 'x') + "&amp;" + QByteArray(100000, 'y')
                                         + "</string></dict>");
    QTest::newRow("root named key") << QByteArray("<key>Persistent ID</key>");
}

void TestItunesLibraryReader::readsAsTheTreeDoes()
{
    QFETCH(QByteArray, xml);
    QCOMPARE(streamReading(xml), treeReading(xml));
}

void TestItunesLibraryReader::readsRealFilesAsTheTreeDoes_data()
{
    QTest::addColumn<QString>("fileName");
    const QDir data(qEnvironmentVariable("VELMORA_SOURCE") + QStringLiteral("/tests/data/itunes"));
    for (const QString &name : data.entryList({QStringLiteral("*.xml")}, QDir::Files))
        QTest::newRow(qPrintable(name)) << data.filePath(name);
}

void TestItunesLibraryReader::readsRealFilesAsTheTreeDoes()
{
    QFETCH(QString, fileName);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    const QStringList tracks = streamReading(xml);
    QVERIFY(!tracks.isEmpty());
    QCOMPARE(tracks, treeReading(xml));
}

void TestItunesLibraryReader::walksBackwardsThenForwards()
{
    const QByteArray xml = plist("<dict><key>Name</key><string>a</string><key>BPM</key><integer>90</integer>"
                                 "<key>Persistent ID</key><string>1</string><key>Location</key><string>l</string>"
                                 "<key>Name</key><string>b</string></dict>");
    QCOMPARE(streamReading(xml), QStringList{"1|BPM=90|Name=a|Location=l|Name=b"});
}

void TestItunesLibraryReader::knowsWhetherThereAreKeys()
{
    bool hasKeys = true;
    QCOMPARE(streamReading(plist("<string>x</string>"), &hasKeys), QStringList());
    QVERIFY(!hasKeys);
    QCOMPARE(streamReading(plist("<key>Major Version</key><integer>1</integer>"), &hasKeys), QStringList());
    QVERIFY(hasKeys);
}

void TestItunesLibraryReader::reportsMalformedXmlAsTheTreeParserDoes_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("unclosed") << plist("<dict><key>Persistent ID</key><string>1</string>").chopped(9);
    QTest::newRow("mismatched") << QByteArray("<plist><dict><key>a</dict></key></plist>");
    QTest::newRow("bad entity") << QByteArray("<plist><key>a &bogus b</key></plist>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("two roots") << QByteArray("<plist/><plist/>");
}

void TestItunesLibraryReader::reportsMalformedXmlAsTheTreeParserDoes()
{
    QFETCH(QByteArray, xml);
    QBuffer buffer(&xml);
    buffer.open(QIODevice::ReadOnly);
    ItunesLibraryReader reader(&buffer);
    while (reader.readFor(1000)) {
    }
    QVERIFY(reader.failed());
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    QVERIFY(!document.setContent(xml, false, &message, &line, &column));
    QCOMPARE(reader.error().message, message);
    QCOMPARE(reader.error().line, qint64(line));
    QCOMPARE(reader.error().column, qint64(column));
}

void TestItunesLibraryReader::manyTracksInOneDictionaryStayLinear()
{
    // Every track of a dictionary visits all its keys: 20,000 tracks among
    // 20,000 names once took 20,000 copies of the 20,000 names.
    constexpr int tracks = 20000;
    QByteArray body = "<dict>";
    for (int i = 0; i < tracks; ++i)
        body += "<key>Persistent ID</key><string>" + QByteArray::number(i + 1, 16) + "</string><key>Name</key><string>n"
            + QByteArray::number(i) + "</string>";
    const QByteArray xml = plist(body + "</dict>");
    const BoundedRun run = runBounded(
        [&] {
            QBuffer buffer;
            buffer.setData(xml);
            buffer.open(QIODevice::ReadOnly);
            ItunesLibraryReader reader(&buffer);
            while (reader.readFor(1000)) {
            }
            const QList<ItunesTrack> found = reader.takeTracks();
            // The last track walks back through every name, the first starts at its own.
            std::printf("%lld tracks, %d and %d keys, %s then %s\n", static_cast<long long>(found.size()),
                        found.front().keyCount(), found.back().keyCount(), qPrintable(found.back().key(0).value),
                        qPrintable(found.front().key(0).value));
            return 0;
        },
        10000, qint64(300) << 20);
    QVERIFY2(run.exited, qPrintable(run.describe()));
    QCOMPARE(run.out, QByteArray("20000 tracks, 20000 and 20000 keys, n19998 then n0\n"));
}

void TestItunesLibraryReader::refusesMarkupBeyondItsLimits_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("refusal");
    QByteArray attributes = "<dict";
    for (int i = 0; i < 100000; ++i)
        attributes += " a" + QByteArray::number(i) + "=\"\"";
    const QByteArray manyAttributes = plist(attributes + "/>");
    QTest::newRow("100,000 attributes") << manyAttributes
                                        << QStringLiteral(
                                               "it holds an element with more than 64 attributes (at byte %1)")
                                               .arg(manyAttributes.indexOf(" a64=") + 4);
    const QByteArray longName = plist("<dict><key>Persistent ID</key><string>1</string><key>Name</key><string>"
                                      + QByteArray(2 << 20, 'x') + "</string></dict>");
    QTest::newRow("2 MiB name") << longName
                                << QStringLiteral("it holds a value of more than 1 MiB (at byte %1)")
                                       .arg(longName.indexOf("<string>x") + 8 + (1 << 20));
    QTest::newRow("1 MiB name") << plist("<dict><key>Persistent ID</key><string>1</string><key>Name</key><string>"
                                         + QByteArray(1 << 20, 'x') + "</string></dict>")
                                << QString();
}

void TestItunesLibraryReader::refusesMarkupBeyondItsLimits()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, refusal);
    QBuffer buffer(&xml);
    buffer.open(QIODevice::ReadOnly);
    ItunesLibraryReader reader(&buffer);
    QElapsedTimer clock;
    clock.start();
    while (reader.readFor(1000) && clock.elapsed() < 10000) {
    }
    QCOMPARE(reader.refusal(), refusal);
    QCOMPARE(reader.failed(), !refusal.isEmpty());
    if (refusal.isEmpty())
        QCOMPARE(reader.takeTracks().size(), 1);
}

VELMORA_TEST_MAIN(TestItunesLibraryReader)
#include "tst_ituneslibraryreader.moc"
