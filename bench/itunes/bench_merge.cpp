// Merge benchmark: the library of the iTunes file in $HOME, imported and
// shown, plus a library-only copy of every 20th record (5% duplicates) with a
// BPM to carry over; then the "Merge" command, which imports afresh and
// merges.

#include "benchsupport.h"
#include "app/tagdesk.h"
#include "library/songstore.h"
#include "table/columns.h"

#include <QApplication>

namespace {

int addDuplicates()
{
    SongStore &store = SongStore::library();
    std::vector<const DBelement *> originals;
    int index = 0;
    for (const Song &entry : store.tableMap()) {
        if (index++ % 20 == 0)
            originals.push_back(&entry.second);
    }
    SongStore::Batch batch(store);
    int added = 0;
    for (const DBelement *original : originals) {
        const QString persistentID = QStringLiteral("7%1").arg(added, 18, 10, QLatin1Char('0'));
        store.update(libraryKey(persistentID), [&](DBelement &copy) {
            copy.setPersistentID(persistentID);
            copy.setTitle(original->text(SongField::Title));
            copy.setArtist(original->text(SongField::Artist));
            copy.setAlbumTitle(original->text(SongField::AlbumTitle));
            copy.setGenre(original->text(SongField::Genre));
            copy.setAlbumArtist(original->text(SongField::AlbumArtist));
            copy.setComposer(original->text(SongField::Composer));
            copy.setItunes(QStringLiteral("false"));
            copy.setBPM(QStringLiteral("120"));
        });
        store.setupRow(libraryKey(persistentID));
        ++added;
    }
    return added;
}

// Every row stands for a song of the library.
bool hasEmptyRow(const LibraryModel *model)
{
    for (int row = 0; row < model->rowCount(); ++row) {
        const Song *shown = model->songAt(row);
        if (!shown || SongStore::library().find(shown->first) != &shown->second)
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
    if (!haveItunesLibrary())
        return 1;
    silenceStandardOutput();
    Tagdesk window;
    showBenchWindow(window);
    runImport(window);
    const int duplicates = addDuplicates();
    const size_t records = SongStore::library().size();
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
                    .arg(SongStore::library().size())
                    .arg(window.libraryModel->rowCount())
                    .arg(hasEmptyRow(window.libraryModel) ? QStringLiteral(" (EMPTY ROWS LEFT)") : QString())
                    .arg(peakMemoryMb()));
    printFigure(QStringLiteral("  one whole sort of the table at once, which the merge's end does in slices: %1 ms")
                    .arg(resortMs(window)));
    emptyLibrary(window);
    return 0;
}
