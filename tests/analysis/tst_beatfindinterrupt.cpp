#include "librarysongs.h"
#include "dialoganswerer.h"
#include "library/dbelement.h"
#include "runfixture.h"
#include "testenvironment.h"

// What the user may do while a run is under way: cancel it, empty or reload
// the library under it, or close the window.
class TestBeatFindInterrupt : public QObject
{
    Q_OBJECT

private:
    // Two selected songs whose converter and analyser each wait to be
    // released, so a test can act while a child of the first song runs.
    static void addTwoWaitingSongs(RunFixture &run)
    {
        run.standIns.setConverter("wait_for converted\n" + StandIns::copyingConverter);
        run.standIns.setAnalyser("wait_for analysed\n" + StandIns::printingAnalyser);
        run.addSong("1", "First", run.standIns.addSong("first.mp3", "BPM: 111\n"));
        run.addSong("2", "Second", run.standIns.addSong("second.mp3", "BPM: 122\n"));
        run.select({"1", "2"});
    }

    static bool waitForCalls(const RunFixture &run, int count)
    {
        return QTest::qWaitFor([&] { return run.standIns.calls().size() >= count; }, 10000);
    }

private slots:
    void cancelDuringConversion()
    {
        RunFixture run;
        addTwoWaitingSongs(run);
        Tagdesk &window = *run.window;
        window.BeatFind();
        QVERIFY(waitForCalls(run, 1));

        window.convertCancelButton->click();
        const QString cancelText = QStringLiteral("Cancel Pressed: Will stop after current song");
        QCOMPARE(window.convertLabel->text(), cancelText);
        run.standIns.release("converted");
        QVERIFY(waitForCalls(run, 2));
        // The song in hand goes on to its analysis, under the cancel text.
        QCOMPARE(run.callKinds(), (QStringList{"convert", "analyse"}));
        QCOMPARE(window.convertLabel->text(), cancelText);
        QVERIFY(!window.convertLabel->isHidden());

        run.standIns.release("analysed");
        QVERIFY(run.waitForEnd());
        QCOMPARE(librarySong("1").bpm(), 111);
        QCOMPARE(librarySong("2").bpm(), 99);
        QCOMPARE(run.callKinds(), (QStringList{"convert", "analyse"}));
        QCOMPARE(run.messages, QStringList{"beatfind has completed"});
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
    }

    // Under the sanitizers this proves that the run keeps no pointer into a
    // record that New File or Open File destroyed.
    void libraryReplacedMidRun_data()
    {
        QTest::addColumn<bool>("duringAnalysis");
        QTest::addColumn<bool>("reopen");
        QTest::newRow("New File while converting") << false << false;
        QTest::newRow("New File while analysing") << true << false;
        QTest::newRow("Open File while converting") << false << true;
        QTest::newRow("Open File while analysing") << true << true;
    }
    void libraryReplacedMidRun()
    {
        QFETCH(bool, duringAnalysis);
        QFETCH(bool, reopen);
        RunFixture run;
        addTwoWaitingSongs(run);
        Tagdesk &window = *run.window;
        const QString libraryFile = run.standIns.wavDir() + "/../library.tgd";
        QVERIFY(window.writeLibrary(libraryFile));

        window.BeatFind();
        QVERIFY(waitForCalls(run, 1));
        if (duringAnalysis) {
            run.standIns.release("converted");
            QVERIFY(waitForCalls(run, 2));
        }
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::No); // do not save first
        if (reopen) {
            answers.fileDialog(libraryFile);
            window.openFile();
            QTRY_VERIFY(!window.fileRead.loadingFile);
        } else {
            window.newFile();
        }
        QCOMPARE(answers.pending(), 0);
        QCOMPARE(SongStore::library().size(), size_t(reopen ? 2 : 0));

        run.standIns.release("converted");
        run.standIns.release("analysed");
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
        if (reopen) {
            // The songs came back under the same IDs, with the locations the
            // library file keeps: the tempo in hand goes to the new record,
            // and the other song is analysed too.
            QCOMPARE(run.callKinds(), (QStringList{"convert", "analyse", "convert", "analyse"}));
            QCOMPARE(librarySong("1").bpm(), 111);
            QCOMPARE(librarySong("2").bpm(), 122);
            QCOMPARE(window.libraryModel->rowCount(), 2);
        } else {
            QCOMPARE(run.callKinds(), (QStringList{"convert", "analyse"}));
            // The tempo of the vanished song goes nowhere, the other is passed over.
            QCOMPARE(SongStore::library().size(), size_t(0));
            QCOMPARE(window.libraryModel->rowCount(), 0);
        }
    }

    void closingTheWindowStopsTheRun_data()
    {
        QTest::addColumn<bool>("duringAnalysis");
        QTest::addColumn<bool>("destroyOnly");
        QTest::newRow("close while converting") << false << false;
        QTest::newRow("close while analysing") << true << false;
        QTest::newRow("destroy while converting") << false << true;
        QTest::newRow("destroy while analysing") << true << true;
    }
    void closingTheWindowStopsTheRun()
    {
        QFETCH(bool, duringAnalysis);
        QFETCH(bool, destroyOnly);
        RunFixture run;
        // This converter has written and named its WAV file but not yet ended.
        run.standIns.setConverter(StandIns::copyingConverter + "reach named\nwait_for converted\n");
        run.standIns.setAnalyser("wait_for analysed\n" + StandIns::printingAnalyser);
        run.addSong("1", "First", run.standIns.addSong("first.mp3", "BPM: 111\n"));
        run.addSong("2", "Second", run.standIns.addSong("second.mp3", "BPM: 122\n"));
        run.select({"1", "2"});
        Tagdesk &window = *run.window;
        window.BeatFind();
        QVERIFY(QTest::qWaitFor([&] { return run.standIns.reached("named"); }, 10000));
        if (duringAnalysis) {
            run.standIns.release("converted");
            QVERIFY(waitForCalls(run, 2));
        }

        if (destroyOnly) {
            run.window.reset();
        } else {
            DialogAnswerer answers;
            answers.messageBox(QMessageBox::No); // do not save
            QVERIFY(window.close());
            QCOMPARE(answers.pending(), 0);
            QVERIFY(run.isIdle());
        }
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        // Nothing of the run is left to start another child.
        run.standIns.release("converted");
        run.standIns.release("analysed");
        QTest::qWait(300);
        QCOMPARE(run.callKinds().size(), duringAnalysis ? 2 : 1);
        QCOMPARE(run.standIns.wavFiles(), QStringList());
    }
};

VELMORA_TEST_MAIN(TestBeatFindInterrupt)
#include "tst_beatfindinterrupt.moc"
