// Folder import benchmark: the import that "From Music Folder..." starts, on a
// shown window (offscreen), over the music folder given, against the floor:
// one bare loop that lists the same folder and reads each file's tags with
// TagLib, as the import's tag reader opens them.

#include "../common/peakmemory.h"
#include "../common/turnmonitor.h"
#include "app/tagdesk.h"
#include "library/dbelement.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>
#include <unistd.h>

namespace {

qint64 floorMs(const QString &folder, int *songs)
{
    QElapsedTimer clock;
    clock.start();
    *songs = 0;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const TagLib::FileRef file(QFile::encodeName(files.next()).constData(), true, TagLib::AudioProperties::Fast);
        if (!file.isNull() && file.tag() && !file.file()->properties().isEmpty())
            ++*songs;
    }
    return clock.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_folderimport MUSIC_FOLDER\n");
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    int songs = 0;
    floorMs(folder, &songs); // the same warm file cache for both
    const qint64 floor = floorMs(folder, &songs);
    std::printf("floor (bare TagLib loop over %d files): %lld ms\n", songs, floor);
    std::fflush(stdout);

    Tagdesk window;
    window.show();
    // The window's first paint is not part of the import.
    QTest::qWait(500);
    // The import's diagnostic line is not part of the figures.
    std::fflush(stdout);
    const int savedOut = dup(1);
    if (!freopen("/dev/null", "w", stdout))
        return 1;
    QSignalSpy done(&window, &Tagdesk::folderImportDone);
    TurnMonitor turns;
    QElapsedTimer clock;
    clock.start();
    window.importMusicPaths({folder}, false);
    const bool finished = done.wait(600000);
    const qint64 importMs = clock.elapsed();
    // The turn that ended the import (and sorted the table) counts once the
    // probe has fired after it.
    QTest::qWait(20);
    std::fflush(stdout);
    dup2(savedOut, 1);
    if (!finished) {
        std::fprintf(stderr, "the import did not end\n");
        return 1;
    }
    std::printf("import: %lld ms (%.2f x the floor), longest event-loop turn %.1f ms, %zu records, %d rows, peak "
                "memory %.0f MB\n",
                importMs, double(importMs) / double(std::max<qint64>(floor, 1)), turns.longest(),
                SongStore::library().size(), window.libraryModel->rowCount(), peakMemoryMB());
    // The import's last turn has the table put itself in order.
    QElapsedTimer sort;
    sort.start();
    window.libraryModel->sort(window.libraryModel->sortColumn(), window.libraryModel->sortOrder());
    std::printf("  of which the table's sort in the import's last turn: about %lld ms\n", sort.elapsed());
    return 0;
}
