// Merge benchmark: the library of the iTunes file in $HOME, imported and
// shown, plus a library-only copy of every 20th record (5% duplicates) with a
// BPM to carry over; then the "Merge" command, which imports afresh and
// merges.

#include "benchsupport.h"
#include "app/tagdesk.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QApplication>
#include <QFileInfo>

namespace {

int addDuplicates(QTableWidget *table)
{
    std::vector<DBelement *> originals;
    int index = 0;
    for (auto &entry : tableMap) {
        if (index++ % 20 == 0)
            originals.push_back(&entry.second);
    }
    table->setSortingEnabled(false);
    int added = 0;
    for (DBelement *original : originals) {
        const QString persistentID = QStringLiteral("7%1").arg(added, 18, 10, QLatin1Char('0'));
        DBelement &copy = tableMap[libraryKey(persistentID)];
        copy.setPersistentID(persistentID);
        copy.setTitle(original->text("title"));
        copy.setArtist(original->text("artist"));
        copy.setAlbumTitle(original->text("albumTitle"));
        copy.setGenre(original->text("genre"));
        copy.setAlbumArtist(original->text("albumArtist"));
        copy.setComposer(original->text("composer"));
        copy.setItunes(QStringLiteral("false"));
        copy.setBPM(QStringLiteral("120"));
        copy.setupRow(table, -1);
        ++added;
    }
    table->setSortingEnabled(true);
    return added;
}

bool hasEmptyRow(QTableWidget *table)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->item(row, ColumnTitle))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QFileInfo::exists(itunesLibraryPath())) {
        std::fprintf(stderr, "no iTunes library file at %s\n", qPrintable(itunesLibraryPath()));
        return 1;
    }
    silenceStandardOutput();
    Tagdesk window;
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
    runImport(window);
    const int duplicates = addDuplicates(window.tableWidget);
    const size_t records = tableMap.size();
    window.modified = false;

    QElapsedTimer clock;
    qint64 mergeStartNs = 0;
    qint64 mergeEndNs = 0;
    QObject::connect(&window, &Tagdesk::loadItunesDone, [&] { mergeStartNs = clock.nsecsElapsed(); });
    TurnProbe probe;
    clock.start();
    QEventLoop done;
    window.mergeEdit();
    QObject::connect(&window, &Tagdesk::loadItunesDone, [&] {
        mergeEndNs = clock.nsecsElapsed();
        done.quit();
    });
    done.exec();
    printFigure(QStringLiteral("merge: %1 records, %2 duplicates; command to \"Merge done\" %3 ms, of which the "
                               "merge %4 ms; longest turns %5; %6 records and %7 rows left%8; peak memory %9 MB")
                    .arg(records)
                    .arg(duplicates)
                    .arg(mergeEndNs / 1000000)
                    .arg((mergeEndNs - mergeStartNs) / 1000000)
                    .arg(probe.longestTurns())
                    .arg(tableMap.size())
                    .arg(window.tableWidget->rowCount())
                    .arg(hasEmptyRow(window.tableWidget) ? QStringLiteral(" (EMPTY ROWS LEFT)") : QString())
                    .arg(peakMemoryMb()));
    printFigure(QStringLiteral("  Qt's own sort of the table when sorting is switched back on (in the merge's last "
                               "turn): %1 ms")
                    .arg(resortMs(window)));
    emptyLibraryQuickly(window);
    return 0;
}
