// BeatFind through the real window, offscreen: the songs named on the command
// line as selected records, analysed `jobs` at a time. Prints the songs per
// minute and the longest event-loop turn during the run on standard error
// (standard output carries the run's own lines).
//
// usage: bench_beatfindwindow JOBS SONG...

#include "app/tagdesk.h"
#include "common/turnmonitor.h"
#include "library/songstore.h"
#include "table/columns.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Harrowfen"));
    QCoreApplication::setApplicationName(QStringLiteral("VelmoraSync"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() < 2) {
        std::fputs("usage: bench_beatfindwindow JOBS SONG...\n", stderr);
        return 2;
    }
    const int jobs = arguments[0].toInt();
    QSettings().setValue(QStringLiteral("analysisJobs"), jobs);

    Tagdesk window;
    window.haveWarned = true;
    window.itunesLoaded = true;
    window.show();
    const QStringList songs = arguments.mid(1);
    for (int i = 0; i < songs.size(); ++i) {
        const QString id = QString::number(1000 + i);
        SongStore::library().update(libraryKey(id), [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(QStringLiteral("Song %1").arg(i));
            record.setLocation(songs[i]);
        });
        SongStore::library().setupRow(libraryKey(id));
    }
    window.tableWidget->selectAll();

    TurnMonitor turns;
    QElapsedTimer clock;
    clock.start();
    window.BeatFind();
    // Waits in the event loop: a processEvents loop would spin a core that
    // the run's children need.
    QEventLoop waiting;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
        if (!window.run.analysisRunning)
            waiting.quit();
    });
    poll.start(20);
    if (window.run.analysisRunning)
        waiting.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;

    int found = 0;
    for (const Song &entry : SongStore::library().tableMap())
        found += entry.second.bpm() > 0 ? 1 : 0;
    std::fprintf(
        stderr,
        "window   jobs=%d songs=%lld found=%d seconds=%.1f songs/min=%.1f longest-turn-ms=%.1f (in CPU time %.1f)\n",
        jobs, static_cast<long long>(songs.size()), found, seconds, songs.size() / seconds * 60, turns.longest(),
        turns.longestCpu());
    return found == songs.size() ? 0 : 1;
}
