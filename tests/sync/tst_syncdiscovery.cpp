// The discovery datagrams, received for real: in this test's own network
// namespace (only lo, plus a default route on lo so 255.255.255.255 can be
// sent) and, across a veth pair, in a second namespace the test creates.
#include "library/globals.h"
#include "app/tagdesk.h"
#include "library/songstore.h"
#include "outputcapture.h"
#include "sync/broadcastserver.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QByteArray namespaceOf(const QString &link)
{
    char target[64] = {};
    return readlink(QFile::encodeName(link).constData(), target, sizeof target - 1) > 0 ? QByteArray(target)
                                                                                        : QByteArray();
}

struct Arrival
{
    qint64 ms;
    QByteArray data;
};

// Receives what reaches UDP 4950 in this namespace.
class Receiver
{
public:
    Receiver()
    {
        clock.start();
        socket.setProxy(QNetworkProxy::NoProxy);
        socket.bind(QHostAddress::AnyIPv4, 4950, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    }
    // Collects for a while, or until count datagrams have come.
    QList<Arrival> collect(int ms, int count = 1000)
    {
        (void)QTest::qWaitFor(
            [&] {
                while (socket.hasPendingDatagrams())
                    arrivals.append({clock.elapsed(), socket.receiveDatagram().data()});
                return arrivals.size() >= count;
            },
            ms);
        return arrivals;
    }
    QList<Arrival> arrivals;

private:
    QUdpSocket socket;
    QElapsedTimer clock;
};

void sendTick(BroadcastServer *server) { QMetaObject::invokeMethod(server, "broadcastDatagram"); }

} // namespace

class TestSyncDiscovery : public QObject
{
    Q_OBJECT

    Tagdesk *window = nullptr;
    QTemporaryDir dir;

private slots:
    void initTestCase() { window = new Tagdesk; }

    void cleanupTestCase() { delete window; }

    void silentUntilALibraryFileHasLoaded()
    {
        syncEnabled = false;
        Receiver receiver;
        auto server = std::make_unique<BroadcastServer>();
        // Ticks are sent by hand here, at the moments that matter.
        server->findChild<QTimer *>()->stop();

        window->loadFile(dir.filePath("missing.tgd"));
        sendTick(server.get());
        const QString broken = dir.filePath("broken.tgd");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<TAGDESK version=\"100\"><Element_Data");
        file.close();
        window->loadFile(broken);
        sendTick(server.get());
        QCOMPARE(receiver.collect(200).size(), 0);

        for (int i = 0; i < 200; ++i) {
            SongStore::library().update(std::to_string(5000 + i), [i](DBelement &record) {
                record.setPersistentID(QString::number(5000 + i));
                record.setTitle(QStringLiteral("Song"));
            });
        }
        const QString library = dir.filePath("library.tgd");
        QVERIFY(window->writeLibrary(library));
        SongStore::library().clear();
        syncEnabled = true;
        QSignalSpy loaded(window, &Tagdesk::loadFileDone);
        window->loadFile(library);
        QVERIFY(window->fileRead.loadingFile);
        sendTick(server.get());
        QCOMPARE(receiver.collect(200).size(), 0);

        QVERIFY(loaded.count() == 1 || loaded.wait(5000));
        sendTick(server.get());
        const QList<Arrival> arrivals = receiver.collect(2000, 2);
        QVERIFY(arrivals.size() >= 2);
        for (const Arrival &arrival : arrivals)
            QCOMPARE(arrival.data, QByteArray("magic983"));
        SongStore::library().clear();
    }

    void announcesEverySecondOnEveryDestination()
    {
        // A second namespace, joined to this one by a veth pair.
        QProcess peer;
        peer.start("unshare", {"--net", "sleep", "30"});
        QVERIFY(peer.waitForStarted());
        const QString peerNet = QStringLiteral("/proc/%1/ns/net").arg(peer.processId());
        QVERIFY(QTest::qWaitFor([&] { return namespaceOf(peerNet) != namespaceOf("/proc/self/ns/net"); }, 5000));
        const QStringList inPeer{"--net=" + peerNet};
        QVERIFY(run("ip",
                    {"link", "add", "vsyncA", "type", "veth", "peer", "name", "vsyncB", "netns",
                     QString::number(peer.processId())}));
        QVERIFY(run("ip", {"addr", "add", "10.77.0.1/24", "dev", "vsyncA"}));
        QVERIFY(run("ip", {"link", "set", "vsyncA", "up"}));
        QVERIFY(run("nsenter", inPeer + QStringList{"ip", "addr", "add", "10.77.0.2/24", "dev", "vsyncB"}));
        QVERIFY(run("nsenter", inPeer + QStringList{"ip", "link", "set", "vsyncB", "up"}));

        QProcess listener;
        listener.start(
            "nsenter",
            inPeer + QStringList{qEnvironmentVariable("VELMORA_BIN") + "/velmora-phone", "listen", "--timeout", "5"});
        QVERIFY(listener.waitForStarted());
        QTest::qWait(300);

        syncEnabled = true;
        Receiver receiver;
        OutputCapture capture;
        auto server = std::make_unique<BroadcastServer>();
        QVERIFY2(QRegularExpression("^Interface\\d+:10\\.77\\.0\\.1 modified:10\\.77\\.0\\.255$",
                                    QRegularExpression::MultilineOption)
                     .match(capture.out())
                     .hasMatch(),
                 qPrintable(capture.out()));

        // Three destinations each tick: 255.255.255.255, 0.0.0.0 and the /24
        // broadcast, which this namespace hears too.
        const QList<Arrival> arrivals = receiver.collect(4000, 6);
        QCOMPARE(arrivals.size(), 6);
        for (const Arrival &arrival : arrivals)
            QCOMPARE(arrival.data, QByteArray("magic983"));
        QVERIFY(arrivals[2].ms - arrivals[0].ms < 300);
        const qint64 tick = arrivals[3].ms - arrivals[0].ms;
        QVERIFY2(tick > 500 && tick < 1600, qPrintable(QString::number(tick)));
        QVERIFY(arrivals[5].ms - arrivals[3].ms < 300);

        QVERIFY(listener.state() == QProcess::NotRunning || listener.waitForFinished(6000));
        QCOMPARE(listener.readAllStandardOutput(), QByteArray("10.77.0.1\tmagic983\n"));
        QCOMPARE(listener.exitCode(), 0);

        server.reset();
        peer.kill();
        peer.waitForFinished();
    }
};

// A default route on lo lets 255.255.255.255 be sent. Added before any
// thread starts: ThreadSanitizer does not follow a fork of a threaded process
// that goes on to start threads.
static void enterNetworkWithDefaultRoute()
{
    enterPrivateNetworkNamespace();
    if (std::system("ip route add default dev lo") != 0)
        std::exit(2);
}

VELMORA_TEST_MAIN_WITH(TestSyncDiscovery, enterNetworkWithDefaultRoute())
#include "tst_syncdiscovery.moc"
