// The library table at scale, with the real window shown (offscreen): N songs
// shown through the store, then a sort by Title and by BPM, and 1,000 BPM
// changes with the table sorted by BPM, once as single changes (as BeatFind
// results arrive) and once as one command (as a level command makes them),
// each timed until the table is in order again; then peak memory.
#include "app/tagdesk.h"
#include "library/songstore.h"
#include "benchlibrary.h"
#include "peakmemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <random>

namespace {

double sortMs(Tagdesk &window, int column)
{
    QElapsedTimer clock;
    clock.start();
    window.tableWidget->sortByColumn(column, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

// Changes 1,000 songs' BPMs and waits until the table is in order again.
double changeMs(bool asOneCommand, std::mt19937 &random)
{
    SongStore &store = SongStore::library();
    std::vector<std::string> keys;
    for (const Song &song : store.tableMap())
        keys.push_back(song.first);
    std::shuffle(keys.begin(), keys.end(), random);
    keys.resize(std::min<size_t>(keys.size(), 1000));
    std::uniform_int_distribution<int> bpm(50, 200);
    QElapsedTimer clock;
    clock.start();
    {
        std::optional<SongStore::Batch> command;
        if (asOneCommand)
            command.emplace(store);
        for (const std::string &key : keys) {
            const int value = bpm(random);
            store.change(key, [value](DBelement &record) { record.setBPM(value); });
        }
    }
    QCoreApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int songs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100000;
    Tagdesk window;
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    fillBenchLibrary(songs);
    QCoreApplication::processEvents();
    const double fillMs = clock.nsecsElapsed() / 1e6;

    sortMs(window, ColumnBpm);
    const double byTitle = sortMs(window, ColumnTitle);
    const double byBpm = sortMs(window, ColumnBpm);
    std::mt19937 random(7);
    const double single = changeMs(false, random);
    const double command = changeMs(true, random);
    std::printf("table %d songs: fill %.0f ms, sort by Title %.0f ms, by BPM %.0f ms, 1,000 BPM changes sorted by "
                "BPM %.1f ms one by one, %.1f ms as one command, peak memory %.0f MB\n",
                songs, fillMs, byTitle, byBpm, single, command, peakMemoryMB());
    return 0;
}
