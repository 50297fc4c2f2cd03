#include "librarysongs.h"
#include "dialoganswerer.h"
#include "library/dbelement.h"
#include "outputcapture.h"
#include "runfixture.h"
#include "table/columns.h"
#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <sys/resource.h>

// Several songs converted and analysed at once, while the user sees them go
// by one after the other in selection order.
class TestBeatFindParallel : public QObject
{
    Q_OBJECT

private:
    // Each conversion waits for its own go-ahead, named after its song.
    static QString waitingConverter()
    {
        return QStringLiteral("wait_for \"go-$(basename \"$1\")\"\n") + StandIns::copyingConverter;
    }

    static bool waitForCalls(const RunFixture &run, int count)
    {
        return QTest::qWaitFor([&] { return run.standIns.calls().size() >= count; }, 10000);
    }

private slots:
    // Songs that finish in reverse order are still shown, stored and
    // reported in selection order; a song passed over while others are in
    // hand waits its turn as well.
    void resultsFollowTheSelectionOrder()
    {
        RunFixture run(3);
        run.standIns.setConverter(waitingConverter());
        const QString first = run.standIns.addSong("first", "BPM: 0\n");
        const QString second = run.standIns.addSong("second", "BPM: 120\n");
        const QString third = run.standIns.addSong("third", "BPM: 49\n");
        run.addSong("1", "First", first);
        run.addSong("2", "Second", second);
        run.addSong("3", "Third", third);
        run.addSong("4", "Locked", run.standIns.addSong("locked", "BPM: 130\n"),
                    [](DBelement &record) { record.isProtected = true; });
        run.select({"1", "2", "3", "4"});
        QStringList stored;
        QObject listening;
        connect(&SongStore::library(), &SongStore::songsChanged, &listening, [&](const QList<const Song *> &songs) {
            // A song may change more than once for one BPM (its marking).
            for (const Song *changed : songs) {
                const QString entry =
                    changed->second.text(SongField::PersistentID) + "=" + changed->second.text(SongField::Bpm);
                if (stored.isEmpty() || stored.last() != entry)
                    stored << entry;
            }
        });
        const QtMessageHandler logger =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QString out;
        {
            OutputCapture capture;
            run.window->BeatFind();
            QVERIFY(waitForCalls(run, 3));
            // All three convert at once.
            QCOMPARE(run.callKinds(), (QStringList{"convert", "convert", "convert"}));
            QVERIFY(run.window->convertLabel->text().startsWith("Processing: First (1 of 4"));

            for (const QString name : {"third", "second"}) {
                run.standIns.release("go-" + name);
                const QString analysis = "analyse " + run.standIns.wavDir() + "/" + name + ".wav";
                QVERIFY(QTest::qWaitFor([&] { return run.standIns.calls().contains(analysis); }, 10000));
                // Its job is done once its WAV file is gone.
                QVERIFY(QTest::qWaitFor([&] { return run.standIns.wavFiles().isEmpty(); }, 10000));
            }
            // Finished, but waiting for the first song: nothing is shown yet.
            QTest::qWait(200);
            QVERIFY(run.messages.isEmpty());
            QVERIFY(stored.isEmpty());
            QCOMPARE(run.window->convertProgressBar->value(), 0);

            run.standIns.release("go-first");
            QVERIFY(run.waitForEnd());
            out = capture.out();
        }
        qInstallMessageHandler(logger);

        QCOMPARE(run.messages,
                 (QStringList{"beatfind can't solve: First", "beatfind can't solve: Third",
                              "beatfind skipping protected file: Locked", "beatfind has completed"}));
        QCOMPARE(stored, QStringList{"2=120"});
        QStringList songLines;
        for (const QString &line : out.split('\n')) {
            if (line.startsWith("Processing: ") || line.startsWith("Saw: BPM"))
                songLines << line;
        }
        QCOMPARE(songLines,
                 (QStringList{"Processing: " + first, "Saw: BPM: 0", "Processing: " + second, "Saw: BPM: 120",
                              "Processing: " + third, "Saw: BPM: 49"}));
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
    }

    // Cancel starts no further song; the songs in hand still get their BPMs
    // and their WAV files go.
    void cancelFinishesTheSongsInHand()
    {
        RunFixture run(3);
        run.standIns.setConverter(waitingConverter());
        QStringList ids;
        for (int i = 1; i <= 5; ++i) {
            const QString id = QString::number(i);
            run.addSong(id, "Song " + id, run.standIns.addSong("s" + id, "BPM: " + QByteArray::number(100 + i) + "\n"));
            ids << id;
        }
        run.select(ids);
        run.window->BeatFind();
        QVERIFY(waitForCalls(run, 3));
        run.window->convertCancelButton->click();
        QCOMPARE(run.window->convertLabel->text(), QStringLiteral("Cancel Pressed: Will stop after current song"));
        for (const QString id : {"3", "1", "2"})
            run.standIns.release("go-s" + id);
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.callKinds(), (QStringList{"convert", "convert", "convert", "analyse", "analyse", "analyse"}));
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(librarySong(QString::number(i)).bpm(), i <= 3 ? 100 + i : 99);
        QCOMPARE(run.messages, QStringList{"beatfind has completed"});
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
    }

    // Closing the window ends every child at once, each after it has named
    // its WAV file, and none of those files stays.
    void closingEndsEveryChild()
    {
        RunFixture run(3);
        run.standIns.setConverter(StandIns::copyingConverter + "reach \"$(basename \"$1\")\"\nwait_for never\n");
        for (const QString id : {"1", "2", "3", "4"})
            run.addSong(id, "Song " + id, run.standIns.addSong("s" + id, "BPM: 120\n"));
        run.select({"1", "2", "3", "4"});
        run.window->BeatFind();
        QVERIFY(QTest::qWaitFor(
            [&] { return run.standIns.reached("s1") && run.standIns.reached("s2") && run.standIns.reached("s3"); },
            10000));
        QCOMPARE(run.standIns.wavFiles().size(), 3);
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::No); // do not save
        QVERIFY(run.window->close());
        QVERIFY(run.isIdle());
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QTest::qWait(300);
        QCOMPARE(run.callKinds(), (QStringList{"convert", "convert", "convert"}));
        QCOMPARE(run.standIns.wavFiles(), QStringList());
    }

    // Records that go while their songs are in hand take no BPM; the run
    // goes on with the others.
    void recordsThatVanishArePassedOver()
    {
        RunFixture run(2);
        run.standIns.setConverter(waitingConverter());
        run.addSong("1", "One", run.standIns.addSong("s1", "BPM: 101\n"));
        run.addSong("2", "Two", run.standIns.addSong("s2", "BPM: 102\n"));
        run.addSong("3", "Three", run.standIns.addSong("s3", "BPM: 103\n"));
        run.select({"1", "2", "3"});
        run.window->BeatFind();
        QVERIFY(waitForCalls(run, 2));
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::No); // do not save first
        run.window->newFile();
        QCOMPARE(SongStore::library().size(), size_t(0));
        run.standIns.release("go-s2");
        run.standIns.release("go-s1");
        QVERIFY(run.waitForEnd());
        // The third song was chosen after its record had gone.
        QCOMPARE(run.callKinds(), (QStringList{"convert", "convert", "analyse", "analyse"}));
        QCOMPARE(SongStore::library().size(), size_t(0));
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
    }

    // With a child on every core, the window still gets a core the moment
    // it needs one: the children run at a lower priority than the window.
    void childrenRunBelowTheWindowsPriority()
    {
        RunFixture run(2);
        run.standIns.setConverter(QStringLiteral("nice > \"$DIR/converter-niceness\"\n") + StandIns::copyingConverter);
        run.standIns.setAnalyser(QStringLiteral("nice > \"$DIR/analyser-niceness\"\n") + StandIns::printingAnalyser);
        run.addSong("1", "One", run.standIns.addSong("s1", "BPM: 101\n"));
        run.select({"1"});
        run.window->BeatFind();
        QVERIFY(run.waitForEnd());
        errno = 0;
        const int own = getpriority(PRIO_PROCESS, 0);
        QCOMPARE(errno, 0);
        for (const QString child : {"converter", "analyser"}) {
            QFile niceness(QFileInfo(run.standIns.converterPath()).dir().filePath(child + "-niceness"));
            QVERIFY2(niceness.open(QIODevice::ReadOnly), qPrintable(child));
            const int childNiceness = niceness.readAll().trimmed().toInt();
            QVERIFY2(childNiceness > own || childNiceness == 19, qPrintable(child));
        }
    }
};

VELMORA_TEST_MAIN(TestBeatFindParallel)
#include "tst_beatfindparallel.moc"
