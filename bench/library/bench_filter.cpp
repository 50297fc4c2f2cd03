// The filter bar at scale, with the real window shown (offscreen): N songs,
// then each query typed key by key into the bar, timed from its last key
// until the table has painted the result; the longest event-loop turn while
// typing; then peak memory.
#include "app/tagdesk.h"
#include "benchlibrary.h"
#include "peakmemory.h"
#include "turnmonitor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

// Counts the table's paints.
class PaintWatch : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

struct Typed
{
    double resultMs = 0; // last key to the painted result
    double longestTurnMs = 0;
    int rows = 0;
};

Typed type(Tagdesk &window, PaintWatch &watch, const QString &query)
{
    window.filterBar->clear();
    QTest::qWait(200);
    Typed typed;
    TurnMonitor turns;
    bool applied = false;
    const auto connection =
        QObject::connect(window.filterModel, &LibraryFilterModel::filterApplied, [&applied] { applied = true; });
    // Keys a fast typist's 80 ms apart; the last one starts the clock.
    for (int i = 0; i < query.size(); ++i) {
        applied = false;
        const QString key = query.mid(i, 1);
        if (key[0].unicode() < 0x80) {
            QTest::keyClicks(window.filterBar, key);
        } else {
            // Qt's test keys are ASCII; a key event carries any text.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
            QCoreApplication::sendEvent(window.filterBar, &press);
        }
        if (i + 1 < query.size())
            QTest::qWait(80);
    }
    QElapsedTimer clock;
    clock.start();
    const int paintsBefore = watch.paints;
    while ((!applied || watch.paints == paintsBefore) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    typed.resultMs = clock.nsecsElapsed() / 1e6;
    QTest::qWait(50);
    typed.longestTurnMs = turns.longest();
    typed.rows = window.filterModel->rowCount();
    QObject::disconnect(connection);
    return typed;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int songs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100000;
    QTemporaryDir files;
    // Every tenth song has a location; those of every other hundred exist.
    for (int i = 0; i < songs; i += 200) {
        QFile file(files.filePath(QStringLiteral("song %1.mp3").arg(i)));
        file.open(QIODevice::WriteOnly);
    }
    Tagdesk window;
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();
    fillBenchLibrary(songs, files.path());
    QTest::qWait(500);
    PaintWatch watch;
    window.tableWidget->viewport()->installEventFilter(&watch);
    const double memoryBefore = peakMemoryMB();

    std::printf("filter bar, %d songs, window shown (offscreen); last key to painted result, longest turn while "
                "typing\n",
                songs);
    const char *const queries[] = {
        "song",     "title number 4711",      "artist 99", "bpm:120-130", "~bpm:165-180", "unsure", "nobpm",
        "-genre 1", "composer 3 bpm:100-140", "missing",   "Sóng TITLE",  "qqqqqqqqqq"};
    double worstResult = 0, worstTurn = 0;
    for (const char *query : queries) {
        const Typed typed = type(window, watch, QString::fromUtf8(query));
        worstResult = std::max(worstResult, typed.resultMs);
        worstTurn = std::max(worstTurn, typed.longestTurnMs);
        std::printf("  %-24s %6.1f ms  turn %5.1f ms  %6d rows\n", query, typed.resultMs, typed.longestTurnMs,
                    typed.rows);
    }
    std::printf("  worst: result %.1f ms, turn %.1f ms; peak memory %.0f MB (%.0f MB before the first query)\n",
                worstResult, worstTurn, peakMemoryMB(), memoryBefore);
    return 0;
}
