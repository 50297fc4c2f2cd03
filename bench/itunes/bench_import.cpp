// Import benchmark: the "From iTunes" command on a shown window (offscreen)
// over the iTunes library file in $HOME, into an empty library and then once
// more into the library it filled, against one bare QXmlStreamReader pass
// over the same file.

#include "benchsupport.h"
#include "app/tagdesk.h"
#include "library/dbelement.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// The floor is taken again right before each import, so that both see the
// same load on a shared machine.
void importAndReport(Tagdesk &window, const char *what)
{
    const qint64 floorMs = bareReadMs(itunesLibraryPath());
    TurnProbe probe;
    QElapsedTimer clock;
    clock.start();
    const qint64 commandMs = runImport(window);
    const qint64 importMs = clock.elapsed();
    printFigure(QStringLiteral("%1: %2 ms (%3 x the floor of %9 ms), longest turns %4, file read before the "
                               "command returns %5 ms, %6 records, %7 rows, peak memory %8 MB")
                    .arg(QLatin1String(what))
                    .arg(importMs)
                    .arg(double(importMs) / double(floorMs), 0, 'f', 2)
                    .arg(probe.longestTurns())
                    .arg(commandMs)
                    .arg(SongStore::library().size())
                    .arg(window.libraryModel->rowCount())
                    .arg(peakMemoryMb())
                    .arg(floorMs));
    printFigure(QStringLiteral("  one whole sort of the table at once, which the import's end does in slices: %1 ms")
                    .arg(resortMs(window)));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!haveItunesLibrary())
        return 1;
    const QString path = itunesLibraryPath();
    silenceStandardOutput();
    const qint64 floorMs = bareReadMs(path);
    printFigure(QStringLiteral("file: %1 MB; floor (bare QXmlStreamReader pass): %2 ms, peak memory %3 MB")
                    .arg(QFileInfo(path).size() / (1024 * 1024))
                    .arg(floorMs)
                    .arg(peakMemoryMb()));

    Tagdesk window;
    showBenchWindow(window);
    importAndReport(window, "import into an empty library");
    importAndReport(window, "import again into the shown, sorted library");
    emptyLibrary(window);
    return 0;
}
