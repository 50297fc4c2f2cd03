// Undo benchmark, on a shown window (offscreen): the "From iTunes" import of
// the iTunes library file in $HOME as one step, and a BeatFind run's results
// for 10,000 of its songs as another. For each: the memory the step holds,
// how long Undo and Redo take until the table shows the result, and the
// longest event-loop turns meanwhile.

#include "benchsupport.h"
#include "app/tagdesk.h"
#include "library/songhistory.h"
#include "library/songstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <malloc.h>

namespace {

double heapMb()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// Gives the command, then lets the event loop run until the table has been
// still for half a second; returns the time until its last change.
qint64 untilTheTableIsStill(Tagdesk &window, const std::function<void()> &command)
{
    QElapsedTimer clock;
    qint64 lastChange = 0;
    QList<QMetaObject::Connection> watches;
    for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(window.libraryModel),
                                      static_cast<QAbstractItemModel *>(window.filterModel)}) {
        const auto note = [&] { lastChange = clock.elapsed(); };
        watches << QObject::connect(model, &QAbstractItemModel::layoutChanged, note)
                << QObject::connect(model, &QAbstractItemModel::modelReset, note)
                << QObject::connect(model, &QAbstractItemModel::rowsInserted, note)
                << QObject::connect(model, &QAbstractItemModel::rowsRemoved, note)
                << QObject::connect(model, &QAbstractItemModel::dataChanged, note);
    }
    clock.start();
    command();
    lastChange = std::max(lastChange, clock.elapsed());
    while (clock.elapsed() - lastChange < 500)
        QTest::qWait(10);
    for (const auto &watch : watches)
        QObject::disconnect(watch);
    return lastChange;
}

void undoAndRedo(Tagdesk &window, const QString &what)
{
    for (const bool undo : {true, false}) {
        TurnProbe probe;
        const qint64 ms = untilTheTableIsStill(window, [&] { undo ? window.undoEdit() : window.redoEdit(); });
        printFigure(QStringLiteral("  %1 %2: %3 ms until the table shows it, longest turns %4; %5 songs, %6 rows")
                        .arg(undo ? QStringLiteral("undo") : QStringLiteral("redo"), what)
                        .arg(ms)
                        .arg(probe.longestTurns())
                        .arg(SongStore::library().size())
                        .arg(window.libraryModel->rowCount()));
    }
}

// Applies new tempos to the first `songs` songs as a run does: a step held
// open over many event-loop turns, a few results a turn.
void runStep(int songs)
{
    SongStore &store = SongStore::library();
    std::vector<std::string> keys;
    for (const auto &[key, record] : store.tableMap()) {
        if (int(keys.size()) == songs)
            break;
        keys.push_back(key);
    }
    store.beginStep(QStringLiteral("BeatFind"));
    for (size_t i = 0; i < keys.size(); ++i) {
        store.change(keys[i], [i](DBelement &record) { record.setLevels({100.5 + double(i % 90), 0}); });
        if (i % 8 == 7)
            QCoreApplication::processEvents();
    }
    store.endStep();
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
    SongStore &store = SongStore::library();

    // The same import without and with the history: the difference is what
    // the step holds.
    store.setStepKeeper(nullptr);
    const double emptyMb = heapMb();
    runImport(window);
    const double libraryMb = heapMb() - emptyMb;
    emptyLibrary(window);
    store.setStepKeeper(window.history);
    const double clearedMb = heapMb();
    runImport(window);
    const double withStepMb = heapMb() - clearedMb;
    printFigure(QStringLiteral("import of %1 songs as one step: the library takes %2 MB of heap, the step %3 MB "
                               "more (the step's own estimate %4 MB)")
                    .arg(store.size())
                    .arg(libraryMb, 0, 'f', 1)
                    .arg(withStepMb - libraryMb, 0, 'f', 1)
                    .arg(double(window.history->bytes()) / (1024.0 * 1024.0), 0, 'f', 1));
    undoAndRedo(window, QStringLiteral("the import"));

    const size_t before = window.history->bytes();
    runStep(10000);
    printFigure(QStringLiteral("BeatFind results for 10000 songs as one step: %1 MB (the step's own estimate)")
                    .arg(double(window.history->bytes() - before) / (1024.0 * 1024.0), 0, 'f', 1));
    undoAndRedo(window, QStringLiteral("the run"));

    runImport(window);
    printFigure(QStringLiteral("import again, nothing changed: %1 steps kept (%2)")
                    .arg(window.history->steps().count())
                    .arg(window.history->steps().undoText()));
    printFigure(QStringLiteral("peak memory %1 MB").arg(peakMemoryMb()));
    emptyLibrary(window);
    return 0;
}
