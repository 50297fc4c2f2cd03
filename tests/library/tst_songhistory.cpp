#include "librarysongs.h"
#include "testenvironment.h"
#include "library/libraryfile.h"
#include "library/songhistory.h"
#include "table/librarymodel.h"

#include <QBuffer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

using StoreChange = std::function<void(SongStore &)>;

QByteArray libraryDocument()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeLibraryDocument(&buffer);
    return buffer.data();
}

void addShownSong(SongStore &store, const QString &id, const QString &title, int bpm)
{
    store.update(libraryKey(id), [&](DBelement &record) {
        record.setPersistentID(id);
        record.setTitle(title);
        record.setBPM(bpm);
    });
    store.setupRow(libraryKey(id));
}

void setTempo(SongStore &store, const QString &id, double tempo, int alternative)
{
    store.change(libraryKey(id), [&](DBelement &record) { record.setLevels({tempo, alternative}); });
}

} // namespace

Q_DECLARE_METATYPE(StoreChange)

// The history on the song store alone: steps recorded from the store's own
// calls, undone and redone, and forgotten when the library changes outside one.
class TestSongHistory : public QObject
{
    Q_OBJECT

    SongStore &store = SongStore::library();
    std::unique_ptr<LibraryModel> model;
    std::unique_ptr<SongHistory> history;

private slots:
    void init()
    {
        model = std::make_unique<LibraryModel>(store);
        history = std::make_unique<SongHistory>(store);
        addShownSong(store, "A", "Alpha", 120);
        addShownSong(store, "B", "Beta", 90);
        addShownSong(store, "C", "Gamma", 0);
        store.change("B", [](DBelement &record) { record.setBpmLocked(true); });
        QVERIFY(!history->canUndo());
    }

    void cleanup()
    {
        history.reset();
        store.clear();
        model.reset();
    }

    void undoAndRedoGiveBackTheSameFile_data()
    {
        QTest::addColumn<StoreChange>("change");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("values") << StoreChange([](SongStore &s) {
            setTempo(s, "A", 127.5, 85);
            s.change("B", [](DBelement &r) { r.setBpmLocked(false); });
        }) << 3;
        QTest::newRow("new songs, one without a row") << StoreChange([](SongStore &s) {
            addShownSong(s, "D", "Delta", 100);
            s.update("E", [](DBelement &r) { r.setTitle(QStringLiteral("unshown")); });
        }) << 4;
        QTest::newRow("removed") << StoreChange([](SongStore &s) {
            s.remove("A");
            s.remove("C");
        }) << 1;
        QTest::newRow("removed and made again") << StoreChange([](SongStore &s) {
            s.remove("A");
            addShownSong(s, "A", "Alpha again", 140);
        }) << 3;
        QTest::newRow("every song, then most back") << StoreChange([](SongStore &s) {
            s.changeEach([](DBelement &r) { r.setItunes(QStringLiteral("0")); }, [] {});
            s.change("A", [](DBelement &r) { r.setItunes(QStringLiteral("1")); });
            s.change("C", [](DBelement &r) { r.setComposer(QStringLiteral("Someone")); });
        }) << 3;
    }

    // The undone library writes the very bytes it wrote before the step, and
    // the redone one those after it; the table follows, row for row.
    void undoAndRedoGiveBackTheSameFile()
    {
        QFETCH(StoreChange, change);
        QFETCH(int, rowsAfter);
        const QByteArray before = libraryDocument();
        store.beginStep(QStringLiteral("Change"));
        change(store);
        store.endStep();
        const QByteArray after = libraryDocument();
        QVERIFY(after != before);
        QCOMPARE(model->rowCount(), rowsAfter);
        QVERIFY(history->canUndo());
        QCOMPARE(history->steps().undoText(), QStringLiteral("Change"));

        for (int round = 0; round < 2; ++round) {
            history->undo();
            QCOMPARE(libraryDocument(), before);
            QCOMPARE(model->rowCount(), 3);
            QVERIFY(history->canRedo());
            history->redo();
            QCOMPARE(libraryDocument(), after);
            QCOMPARE(model->rowCount(), rowsAfter);
        }
        // The table shows the songs the store holds, each once.
        for (int row = 0; row < model->rowCount(); ++row)
            QCOMPARE(model->rowOf(model->songAt(row)->first), row);
    }

    // Steps inside a step, and songs that end as they began.
    void aStepIsWhatChangedBetweenItsEnds()
    {
        store.beginStep(QStringLiteral("Import"));
        store.beginStep(QStringLiteral("inner"));
        setTempo(store, "A", 130, 0);
        store.endStep();
        QVERIFY(!history->canUndo());
        setTempo(store, "C", 100, 0);
        store.endStep();
        QCOMPARE(history->steps().count(), 1);
        QCOMPARE(history->steps().undoText(), QStringLiteral("Import"));

        // A re-import that finds every song as it was is no step.
        store.beginStep(QStringLiteral("Import"));
        store.changeEach([](DBelement &r) { r.setItunes(QStringLiteral("0")); }, [] {});
        store.changeEach([](DBelement &r) { r.setItunes(QStringLiteral("1")); }, [] {});
        store.changeEach([](DBelement &r) { r.setItunes(QStringLiteral("0")); }, [] {});
        store.endStep();
        QCOMPARE(history->steps().count(), 2);
        store.beginStep(QStringLiteral("Again"));
        store.changeEach([](DBelement &r) { r.setItunes(QStringLiteral("0")); }, [] {});
        store.endStep();
        QCOMPARE(history->steps().count(), 2);
    }

    void undoWaitsForAStepUnderWay()
    {
        store.beginStep(QStringLiteral("First"));
        setTempo(store, "A", 130, 0);
        store.endStep();
        QSignalSpy changed(history.get(), &SongHistory::changed);
        store.beginStep(QStringLiteral("Run"));
        QVERIFY(!changed.isEmpty());
        QVERIFY(!history->canUndo());
        history->undo();
        QCOMPARE(store.find("A")->bpm(), 130);
        store.endStep();
        QVERIFY(history->canUndo());
    }

    // A change no step recorded (a file read, New File) leaves no way back.
    void aChangeOutsideAStepForgetsTheHistory_data()
    {
        QTest::addColumn<StoreChange>("change");
        QTest::newRow("change") << StoreChange([](SongStore &s) { setTempo(s, "C", 100, 0); });
        QTest::newRow("clear") << StoreChange([](SongStore &s) { s.clear(); });
    }

    void aChangeOutsideAStepForgetsTheHistory()
    {
        QFETCH(StoreChange, change);
        store.beginStep(QStringLiteral("Step"));
        setTempo(store, "A", 130, 0);
        store.endStep();
        history->markSaved();
        change(store);
        QVERIFY(!history->canUndo());
        QVERIFY(!history->atSavedState());
    }

    void theSavedStateFollowsUndo()
    {
        store.beginStep(QStringLiteral("One"));
        setTempo(store, "A", 130, 0);
        store.endStep();
        history->markSaved();
        store.beginStep(QStringLiteral("Two"));
        setTempo(store, "A", 140, 0);
        store.endStep();
        QVERIFY(!history->atSavedState());
        history->undo();
        QVERIFY(history->atSavedState());
        history->undo();
        QVERIFY(!history->atSavedState());
        history->redo();
        QVERIFY(history->atSavedState());
    }

    // The oldest steps go; the newest are kept.
    void theHistoryKeepsItsLimit()
    {
        for (int step = 0; step < SongHistory::stepLimit + 5; ++step) {
            store.beginStep(QStringLiteral("Step %1").arg(step));
            setTempo(store, "A", 60 + step, 0);
            store.endStep();
        }
        QCOMPARE(history->steps().count(), SongHistory::stepLimit);
        while (history->canUndo())
            history->undo();
        // Back to where the oldest step kept (step 5) began.
        QCOMPARE(store.find("A")->bpm(), 64);
    }
};

VELMORA_TEST_MAIN(TestSongHistory)
#include "tst_songhistory.moc"
