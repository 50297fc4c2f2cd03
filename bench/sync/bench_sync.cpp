// Phone sync throughput in the running application: see run.sh.
#include "library/globals.h"
#include "app/tagdesk.h"
#include "library/songstore.h"
#include "library/dbelement.h"
#include "sync/broadcastserver.h"
#include "sync/wirecodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkInterface>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The server broadcasts: only a network with nothing but loopback will do.
bool onlyLoopback()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.begin(), interfaces.end(), [](const QNetworkInterface &interface) {
        return interface.flags().testFlag(QNetworkInterface::IsLoopBack);
    });
}

std::string phoneStream(int songs)
{
    std::string stream;
    for (int i = 0; i < songs; ++i) {
        const std::string n = std::to_string(i);
        stream += wire::encodeMusicPass({std::to_string(4000000000000000000LL + i), i % 4 == 0 ? "true" : "false",
                                         "Song title " + n, "Album " + std::to_string(i / 12), "Artist " + n,
                                         "Album Artist", "Genre", "Composer", i % 5 == 0 ? "121.5" : "120", "true"});
    }
    return stream + wire::encodeWantBpms();
}

// Connects, sends everything, reads until the other side closes. Returns
// seconds from connect to close, and the bytes received. The sink needs the
// end of the stream; the desktop closes by itself after its reply.
double talk(uint16_t port, const std::string &stream, bool endStream, std::string *received)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto start = Clock::now();
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    for (size_t sent = 0; sent < stream.size();) {
        const ssize_t n = send(fd, stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    if (endStream)
        shutdown(fd, SHUT_WR);
    char buffer[65536];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        received->append(buffer, static_cast<size_t>(n));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    return seconds;
}

// The floor: the same bytes into a loopback sink that reads them and closes.
double sinkSeconds(const std::string &stream)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    std::thread sink([listener] {
        const int fd = accept(listener, nullptr, nullptr);
        char buffer[65536];
        while (recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        close(fd);
    });
    std::string ignored;
    const double seconds = talk(ntohs(address.sin_port), stream, true, &ignored);
    sink.join();
    close(listener);
    return seconds;
}

// A music-folder library of this many songs, shown: title, artist and album
// of their own, key 7000000000 + i.
void fillFolderLibrary(int songs)
{
    SongStore &store = SongStore::library();
    store.clear();
    SongStore::Batch batch(store);
    for (int i = 0; i < songs; ++i) {
        const std::string key = std::to_string(7000000000LL + i);
        store.update(key, [&](DBelement &record) {
            const QString n = QString::number(i);
            record.setPersistentID(QString::fromStdString(key));
            record.setTitle(QStringLiteral("Folder song ") + n);
            record.setArtist(QStringLiteral("Artist ") + QString::number(i / 10));
            record.setAlbumTitle(QStringLiteral("Album ") + QString::number(i / 12));
            record.setItunes(QStringLiteral("1"));
            record.setBPM(60 + i % 140);
            record.setLocation(QStringLiteral("/music/Artist %1/song %2.flac").arg(i / 10).arg(i));
        });
        store.setupRow(key);
    }
}

// Every step-th song of that library as the phone sends it, under the
// library's keys or under IDs of the phone's own, the texts as the phone's
// library writes them (other case, "The " before the artist).
std::string folderPhoneStream(int songs, int step, bool ownIDs)
{
    std::string stream;
    for (int i = 0, sent = 0; sent < songs; i += step, ++sent) {
        const std::string n = std::to_string(i);
        const std::string id = ownIDs ? std::to_string(4100000000000000000LL + i) : std::to_string(7000000000LL + i);
        stream += wire::encodeMusicPass({id, "false", "folder SONG " + n, "album " + std::to_string(i / 12),
                                         "The Artist " + std::to_string(i / 10), "", "", "", "0", "true"});
    }
    return stream + wire::encodeWantBpms();
}

struct Session
{
    double seconds = 0;
    qint64 stallMs = 0; // longest event-loop gap from connect to close
    qint64 afterCloseMs = 0; // longest gap after it: the table's re-sort
    int paints = 0;
    int replyRecords = 0;
    int rows = 0; // the table's rows once the session is done
};

// Counts the table's paints.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// One session against the application's server while the GUI thread runs
// its event loop; a 1 ms timer measures the gaps between its turns. The
// loop goes on until the session's end has been handled and painted.
Session runSession(Tagdesk &window, const std::string &stream)
{
    Session session;
    // A loop of its own: quitting the application's would close the window.
    QEventLoop loop;
    std::string received;
    std::atomic<bool> done{false};
    PaintCounter counter;
    window.tableWidget->viewport()->installEventFilter(&counter);
    QElapsedTimer sinceTick, sinceClose;
    sinceTick.start();
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        qint64 &longest = done ? session.afterCloseMs : session.stallMs;
        longest = std::max(longest, sinceTick.restart());
        if (done && !sinceClose.isValid())
            sinceClose.start();
        if (done && !SongStore::library().inBulkChange() && sinceClose.elapsed() > 500)
            loop.quit();
    });
    ticker.start();
    std::thread phone([&] {
        session.seconds = talk(wire::syncPort, stream, false, &received);
        done = true;
    });
    loop.exec();
    phone.join();
    session.paints = counter.paints;
    session.rows = window.libraryModel->rowCount();
    session.replyRecords = received.size() >= 4 ? static_cast<int>((received.size() - 4) / 16) : -1;
    return session;
}

void print(const char *name, const Session &session, int songs)
{
    std::printf("  %-12s connect->close %6.3f s %8.0f songs/s  longest GUI stall %3lld ms (then %3lld ms at the "
                "re-sort)  paints %3d  rows %d  reply %d records\n",
                name, session.seconds, songs / session.seconds, static_cast<long long>(session.stallMs),
                static_cast<long long>(session.afterCloseMs), session.paints, session.rows, session.replyRecords);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!onlyLoopback()) {
        std::fprintf(stderr, "bench_sync: run it through bench/sync/run.sh, in a network namespace of its own\n");
        return 2;
    }
    const int songs = argc > 1 ? std::max(1, std::min(std::atoi(argv[1]), 1000000)) : 10000;
    QApplication app(argc, argv);
    Tagdesk window;
    window.resize(1000, 700);
    window.show();
    BroadcastServer server;

    const std::string stream = phoneStream(songs);
    const double floor = sinkSeconds(stream);

    // The application's diagnostic lines (a dozen per song) go to /dev/null,
    // the figures to the real standard output.
    std::fflush(stdout);
    const int realOut = dup(STDOUT_FILENO), realErr = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    const Session fresh = runSession(window, stream);
    const Session again = runSession(window, stream);

    // A phone with a library of its own against a music-folder library ten
    // times its size: the same songs matched by key, linked by what they are
    // (the first session), and found by their links (the next).
    const int folderSongs = 10 * songs;
    const std::string byKey = folderPhoneStream(songs, 10, false);
    const std::string ownIDs = folderPhoneStream(songs, 10, true);
    fillFolderLibrary(folderSongs);
    const Session matched = runSession(window, byKey);
    fillFolderLibrary(folderSongs);
    const Session linking = runSession(window, ownIDs);
    const Session linked = runSession(window, ownIDs);
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(realOut, STDOUT_FILENO);
    dup2(realErr, STDERR_FILENO);

    std::printf("phone sync, %d songs, %zu bytes, one session each, window shown (offscreen)\n", songs, stream.size());
    std::printf("  %-12s connect->close %6.3f s\n", "loopback sink (floor)", floor);
    print("new songs", fresh, songs);
    print("same again", again, songs);
    std::printf("%d phone songs against a %d-song music-folder library\n", songs, folderSongs);
    print("matched by ID", matched, songs);
    print("linking", linking, songs);
    print("linked", linked, songs);
    std::printf("  linking/matched %.2fx, linked/matched %.2fx\n", linking.seconds / matched.seconds,
                linked.seconds / matched.seconds);
    const bool rowsRight =
        fresh.rows == songs && matched.rows == folderSongs && linking.rows == folderSongs && linked.rows == folderSongs;
    return rowsRight && linking.replyRecords == songs && linked.replyRecords == songs ? 0 : 1;
}
