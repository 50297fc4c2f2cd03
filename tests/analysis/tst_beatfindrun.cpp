#include "librarysongs.h"
#include "table/columns.h"
#include "dialoganswerer.h"
#include "library/dbelement.h"
#include "library/songhistory.h"
#include "outputcapture.h"
#include "runfixture.h"
#include "songfiles.h"
#include "tags/tagreader.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QFileInfo>
#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString completed = QStringLiteral("beatfind has completed");

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString oneSongReport(const QString &bitRate, const QString &sampleRate)
{
    return QStringLiteral("wav=$(wav_for \"$1\")\ncp \"$1\" \"$wav\"\nreport \"$wav\" %1 %2\n")
        .arg(bitRate, sampleRate);
}

} // namespace

class TestBeatFindRun : public QObject
{
    Q_OBJECT

private slots:
    // One selected song through every outcome of the run. The song starts
    // with the BPM 99; its file holds what the stand-in analyser prints.
    void songOutcome_data()
    {
        QTest::addColumn<QString>("location"); // %1 stands for the song file
        QTest::addColumn<bool>("isProtected");
        QTest::addColumn<QString>("converter");
        QTest::addColumn<QString>("analyser");
        QTest::addColumn<QByteArray>("analyserOutput");
        QTest::addColumn<QString>("message"); // followed by the title; empty: none
        QTest::addColumn<int>("bpm");
        QTest::addColumn<QStringList>("calls");

        const QString copy = StandIns::copyingConverter;
        const QString print = StandIns::printingAnalyser;
        const QStringList both{"convert", "analyse"};
        const QStringList convertOnly{"convert"};
        const QString cantSolve = QStringLiteral("beatfind can't solve: ");
        const QString unsupported = QStringLiteral("beatfind unsupported format: ");

        QTest::newRow("tempo found") << "%1" << false << copy << print << QByteArray("BPM: 120\n") << "" << 120 << both;
        QTest::newRow("localhost location")
            << "//localhost%1" << false << copy << print << QByteArray("BPM: 121\n") << "" << 121 << both;
        QTest::newRow("protected") << "%1" << true << copy << print << QByteArray("BPM: 120\n")
                                   << "beatfind skipping protected file: " << 99 << QStringList();
        QTest::newRow("empty location") << "" << false << copy << print << QByteArray("BPM: 120\n") << "" << 99
                                        << QStringList();
        QTest::newRow("location of a host only")
            << "//localhost" << false << copy << print << QByteArray("BPM: 120\n") << "" << 99 << QStringList();
        QTest::newRow("missing file") << "%1.gone" << false << copy << print << QByteArray("BPM: 120\n")
                                      << "beatfind could not find: " << 99 << QStringList();
        QTest::newRow("converter crash") << "%1" << false << "kill -SEGV $$\n"
                                         << print << QByteArray("BPM: 120\n") << "" << 99 << convertOnly;
        QTest::newRow("converter crash after its WAV file")
            << "%1" << false << copy + "kill -SEGV $$\n"
            << print << QByteArray("BPM: 120\n") << "" << 99 << convertOnly;
        QTest::newRow("bit rate 1411.2") << "%1" << false << oneSongReport("1411.2", "44100") << print
                                         << QByteArray("BPM: 120\n") << unsupported << 99 << convertOnly;
        QTest::newRow("sample rate 48000") << "%1" << false << oneSongReport("1411", "48000") << print
                                           << QByteArray("BPM: 120\n") << unsupported << 99 << convertOnly;
        QTest::newRow("converter failure without report")
            << "%1" << false << "echo 'pcmdump: no audio stream' >&2\nexit 1\n"
            << print << QByteArray("BPM: 120\n") << unsupported << 99 << convertOnly;
        QTest::newRow("WAV missing after conversion") << "%1" << false << "report \"$WAVDIR/none.wav\" 1411 44100\n"
                                                      << print << QByteArray("BPM: 120\n") << "" << 99 << convertOnly;
        QTest::newRow("analyser crash") << "%1" << false << copy << "kill -SEGV $$\n"
                                        << QByteArray("BPM: 120\n") << "" << 99 << both;
        QTest::newRow("no BPM line") << "%1" << false << copy << print << QByteArray("tempo 120\n") << cantSolve << 99
                                     << both;
        QTest::newRow("no output") << "%1" << false << copy << print << QByteArray() << cantSolve << 99 << both;
        QTest::newRow("0") << "%1" << false << copy << print << QByteArray("BPM: 0\n") << cantSolve << 99 << both;
        QTest::newRow("49.99") << "%1" << false << copy << print << QByteArray("BPM: 49.99\n") << cantSolve << 99
                               << both;
        QTest::newRow("127.9") << "%1" << false << copy << print << QByteArray("BPM: 127.9\n") << "" << 128 << both;
        QTest::newRow("127.5 rounds up") << "%1" << false << copy << print << QByteArray("BPM: 127.5\n") << "" << 128
                                         << both;
        QTest::newRow("127.4 rounds down")
            << "%1" << false << copy << print << QByteArray("BPM: 127.4\n") << "" << 127 << both;
        QTest::newRow("200.9") << "%1" << false << copy << print << QByteArray("BPM: 200.9\n") << "" << 200 << both;
        QTest::newRow("abc") << "%1" << false << copy << print << QByteArray("BPM: abc\n") << cantSolve << 99 << both;
        QTest::newRow("empty first line")
            << "%1" << false << copy << print << QByteArray("\nBPM: 88\n") << "" << 88 << both;
        QTest::newRow("CRLF") << "%1" << false << copy << print << QByteArray("BPM: 140\r\n") << "" << 140 << both;
        QTest::newRow("line longer than 1023 bytes, its tail a line of its own")
            << "%1" << false << copy << print << QByteArray(1023, 'x') + "BPM: 133\n"
            << "" << 133 << both;
    }
    void songOutcome()
    {
        QFETCH(QString, location);
        QFETCH(bool, isProtected);
        QFETCH(QString, converter);
        QFETCH(QString, analyser);
        QFETCH(QByteArray, analyserOutput);
        QFETCH(QString, message);
        QFETCH(int, bpm);
        QFETCH(QStringList, calls);

        RunFixture run;
        run.standIns.setConverter(converter);
        run.standIns.setAnalyser(analyser);
        const QString song = run.standIns.addSong(QStringLiteral("song one.mp3"), analyserOutput);
        run.addSong(QStringLiteral("42"), QStringLiteral("Song One"),
                    location.contains(QLatin1String("%1")) ? location.arg(song) : location,
                    [isProtected](DBelement &record) { record.isProtected = isProtected; });
        run.select({QStringLiteral("42")});

        QVERIFY(run.runToEnd());
        QCOMPARE(librarySong(QStringLiteral("42")).bpm(), bpm);
        QStringList messages;
        if (!message.isEmpty())
            messages << message + QStringLiteral("Song One");
        QCOMPARE(run.messages, messages << completed);
        QCOMPARE(run.callKinds(), calls);
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
        QVERIFY(run.window->modified);
    }

    // The run keeps the runner-up level the analyser names and moves what it
    // finds into the preferred range; the song starts with the BPM 99.
    void alternativeAndPreferredRange_data()
    {
        QTest::addColumn<QByteArray>("analyserOutput");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("startAlternative");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("alternative");
        QTest::addColumn<bool>("solved");
        QTest::newRow("unsure") << QByteArray("BPM: 63.5\nAlternative: 127\n") << "50-200" << 0 << 64 << 127 << true;
        QTest::newRow("sure replaces an earlier Alternative")
            << QByteArray("BPM: 120\n") << "50-200" << 150 << 120 << 0 << true;
        QTest::newRow("garbage Alternative ignored")
            << QByteArray("BPM: 120\nAlternative: quick\n") << "50-200" << 0 << 120 << 0 << true;
        QTest::newRow("Alternative of the same whole BPM ignored")
            << QByteArray("BPM: 120.2\nAlternative: 119.6\n") << "50-200" << 0 << 120 << 0 << true;
        QTest::newRow("doubled into 70-140") << QByteArray("BPM: 63.5\n") << "70-140" << 0 << 127 << 64 << true;
        QTest::newRow("halved into 80-160")
            << QByteArray("BPM: 172\nAlternative: 115\n") << "80-160" << 0 << 86 << 172 << true;
        QTest::newRow("no octave lands inside 100-110")
            << QByteArray("BPM: 150\n") << "100-110" << 0 << 150 << 0 << true;
        QTest::newRow("unsolved keeps BPM and Alternative")
            << QByteArray("BPM: 0\nAlternative: 120\n") << "70-140" << 150 << 99 << 150 << false;
    }
    void alternativeAndPreferredRange()
    {
        QFETCH(QByteArray, analyserOutput);
        QFETCH(QString, range);
        QFETCH(int, startAlternative);
        QFETCH(int, bpm);
        QFETCH(int, alternative);
        QFETCH(bool, solved);
        QSettings().setValue(QStringLiteral("preferredBpmRange"), range);
        RunFixture run;
        const DBelement &record =
            run.addSong("7", "Level", run.standIns.addSong("level", analyserOutput),
                        [startAlternative](DBelement &song) { song.setBpmAlternative(startAlternative); });
        run.select({"7"});
        QVERIFY(run.runToEnd());
        QSettings().remove(QStringLiteral("preferredBpmRange"));
        QCOMPARE(record.bpm(), bpm);
        QCOMPARE(record.bpmAlternative(), alternative);
        const LibraryModel *model = run.window->libraryModel;
        QCOMPARE(model->index(model->rowOf("7"), ColumnBpm).data(Qt::ToolTipRole).toString(),
                 alternative ? QStringLiteral("Maybe %1").arg(alternative) : QString());
        QCOMPARE(run.messages.first(), solved ? completed : QStringLiteral("beatfind can't solve: Level"));
    }

    // Locked songs are not analysed and keep their BPM, Alternative and file
    // as they are, whether the run takes one song at a time or several; the
    // end of the run counts them.
    void lockedSongsKeepTheirBpm_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one at a time") << 1;
        QTest::newRow("side by side") << 3;
    }
    void lockedSongsKeepTheirBpm()
    {
        QFETCH(int, jobs);
        if (!haveFfmpeg())
            QSKIP("ffmpeg is needed to make the song files");
        RunFixture run(jobs);
        QSettings().setValue(QStringLiteral("writeBpmAfterBeatFind"), true);
        run.window->actionWrite_BPM_after_BeatFind->setChecked(true);
        run.standIns.setAnalyser(QStringLiteral("echo 'BPM: 127.5'\n"));
        QTemporaryDir music;
        QMap<QString, QByteArray> before;
        for (const QString name : {"1", "2", "3", "4"}) {
            const QString path = music.filePath(name + QStringLiteral(".mp3"));
            QVERIFY(makeSongFile(path, {QStringLiteral("title=") + name}));
            before[name] = fileBytes(path);
            run.addSong(name, QStringLiteral("Song ") + name, path, [&name](DBelement &record) {
                if (name == QLatin1String("2")) {
                    record.setBpmAlternative(150);
                    record.setBpmLocked(true);
                } else if (name == QLatin1String("3")) {
                    record.setBPM(0);
                    record.setBpmLocked(true);
                }
            });
        }
        run.select({"1", "2", "3", "4"});
        QVERIFY(run.runToEnd());
        QSettings().remove(QStringLiteral("writeBpmAfterBeatFind"));

        QStringList calls = run.callKinds();
        calls.sort();
        QCOMPARE(calls, (QStringList{"analyse", "analyse", "convert", "convert"}));
        QCOMPARE(librarySong("1").bpm(), 128);
        QCOMPARE(librarySong("4").bpm(), 128);
        QCOMPARE(librarySong("2").bpm(), 99);
        QCOMPARE(librarySong("2").bpmAlternative(), 150);
        QCOMPARE(librarySong("3").bpm(), 0);
        QVERIFY(run.messages.contains(completed + QStringLiteral("; 2 locked songs kept their BPM")));
        // The unlocked songs' files get their new BPM; the locked ones' stay
        // byte for byte as they were.
        QTRY_VERIFY_WITH_TIMEOUT(!run.window->tagWrites.isBusy(), 20000);
        for (const QString name : {"1", "4"}) {
            const std::optional<SongTags> tags = readSongTags(QFile::encodeName(music.filePath(name + ".mp3")));
            QVERIFY(tags);
            QCOMPARE(tags->bpm, QStringLiteral("128"));
        }
        QCOMPARE(fileBytes(music.filePath("2.mp3")), before["2"]);
        QCOMPARE(fileBytes(music.filePath("3.mp3")), before["3"]);
        for (const QString &message : std::as_const(run.messages))
            QVERIFY2(!message.startsWith(QLatin1String("BPM not written")), qPrintable(message));
        QVERIFY(run.isIdle());
    }

    // A song locked while the analyser works on it keeps its BPM too.
    void songLockedDuringItsAnalysisKeepsItsBpm()
    {
        RunFixture run;
        run.standIns.setAnalyser(QStringLiteral("reach analysing\nwait_for go\necho 'BPM: 140'\n"));
        run.addSong("5", "Late", run.standIns.addSong("late", QByteArray()));
        run.select({"5"});
        run.window->BeatFind();
        QTRY_VERIFY_WITH_TIMEOUT(run.standIns.reached(QStringLiteral("analysing")), 20000);
        run.window->actionLock_BPM->trigger();
        QVERIFY(librarySong("5").bpmLocked());
        run.standIns.release(QStringLiteral("go"));
        QVERIFY(run.waitForEnd());
        QCOMPARE(librarySong("5").bpm(), 99);
        QCOMPARE(run.messages.last(), completed + QStringLiteral("; 1 locked song kept its BPM"));
    }

    // The review a user makes: find the songs around 170 (their halves
    // count), lock two, BeatFind over everything; the two keep their BPM,
    // one Undo takes the whole run back, and the songs go out as a playlist.
    void reviewLockRunUndoExport()
    {
        RunFixture run;
        QTemporaryDir dir;
        const QList<QPair<QString, int>> songs{{"Run", 170}, {"Half", 85}, {"Near", 176}, {"Slow", 120}};
        for (int i = 0; i < songs.size(); ++i) {
            const QString id = QString::number(i + 1);
            const int bpm = songs[i].second;
            run.addSong(id, songs[i].first, run.standIns.addSong(id, "BPM: 127.5\n"),
                        [bpm](DBelement &record) { record.setBPM(bpm); });
        }
        Tagdesk &window = *run.window;
        window.filterBar->setText(QStringLiteral("~bpm:165-180"));
        QTRY_COMPARE(window.filterModel->rowCount(), 3);
        run.select({"1", "2"});
        window.actionLock_BPM->trigger();
        QVERIFY(librarySong("1").bpmLocked() && librarySong("2").bpmLocked());

        const QString libraryPath = dir.filePath(QStringLiteral("library.tgd"));
        QVERIFY(window.writeLibrary(libraryPath));
        const QByteArray beforeRun = fileBytes(libraryPath);
        window.filterBar->clear();
        QTRY_COMPARE(window.filterModel->rowCount(), 4);
        window.tableWidget->selectAll();
        QVERIFY(run.runToEnd());
        QCOMPARE(librarySong("1").bpm(), 170);
        QCOMPARE(librarySong("2").bpm(), 85);
        QCOMPARE(librarySong("3").bpm(), 128);
        QCOMPARE(librarySong("4").bpm(), 128);
        QVERIFY(run.messages.contains(completed + QStringLiteral("; 2 locked songs kept their BPM")));

        QCOMPARE(window.actionUndo->text(), QStringLiteral("Undo BeatFind"));
        window.actionUndo->trigger();
        QVERIFY(window.writeLibrary(libraryPath));
        QCOMPARE(fileBytes(libraryPath), beforeRun);

        window.filterBar->setText(QStringLiteral("~bpm:165-180"));
        QTRY_COMPARE(window.filterModel->rowCount(), 3);
        const QString playlistPath = dir.filePath(QStringLiteral("run.m3u8"));
        DialogAnswerer answers;
        answers.fileDialog(playlistPath);
        window.exportPlaylist();
        QStringList entries;
        for (const QByteArray &line : fileBytes(playlistPath).split('\n')) {
            if (!line.isEmpty() && !line.startsWith('#'))
                entries << QString::fromUtf8(line);
        }
        entries.sort();
        QCOMPARE(entries,
                 (QStringList{librarySong("1").text(SongField::Location), librarySong("2").text(SongField::Location),
                              librarySong("3").text(SongField::Location)}));
    }

    // A cancelled run is one step too: the songs done before the cancel.
    void aCancelledRunIsOneStep()
    {
        RunFixture run;
        run.standIns.setAnalyser(QStringLiteral("reach analysing\nwait_for go\necho 'BPM: 140'\n"));
        for (const QString id : {"1", "2", "3"})
            run.addSong(id, QStringLiteral("Song ") + id, run.standIns.addSong(id, QByteArray()));
        QTemporaryDir dir;
        const QString libraryPath = dir.filePath(QStringLiteral("library.tgd"));
        QVERIFY(run.window->writeLibrary(libraryPath));
        const QByteArray beforeRun = fileBytes(libraryPath);
        run.select({"1", "2", "3"});
        run.window->BeatFind();
        QTRY_VERIFY_WITH_TIMEOUT(run.standIns.reached(QStringLiteral("analysing")), 20000);
        QVERIFY(!run.window->actionUndo->isEnabled());
        run.window->convertCancelButton->click();
        run.standIns.release(QStringLiteral("go"));
        QVERIFY(run.waitForEnd());
        QCOMPARE(librarySong("1").bpm(), 140);
        QCOMPARE(librarySong("3").bpm(), 99);
        QCOMPARE(run.window->history->steps().count(), 1);
        run.window->actionUndo->trigger();
        QVERIFY(run.window->writeLibrary(libraryPath));
        QCOMPARE(fileBytes(libraryPath), beforeRun);
    }

    void childThatCannotStartIsPassedOver_data()
    {
        QTest::addColumn<bool>("converterStarts");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("converter") << false << QStringList();
        QTest::newRow("analyser") << true << QStringList{"convert", "convert"};
    }
    void childThatCannotStartIsPassedOver()
    {
        QFETCH(bool, converterStarts);
        QFETCH(QStringList, calls);
        RunFixture run;
        const QString missing = run.standIns.wavDir() + QStringLiteral("/../no such program");
        (converterStarts ? run.window->analyserPath : run.window->converterPath) = missing;
        for (const QString &id : {QStringLiteral("1"), QStringLiteral("2")}) {
            run.addSong(id, QStringLiteral("Song ") + id, run.standIns.addSong(id, "BPM: 120\n"));
            run.select({id});
        }
        QVERIFY(run.runToEnd());
        QCOMPARE(run.callKinds(), calls);
        QCOMPARE(run.messages, QStringList{completed});
        QCOMPARE(librarySong(QStringLiteral("1")).bpm(), 99);
        QCOMPARE(librarySong(QStringLiteral("2")).bpm(), 99);
        QCOMPARE(run.standIns.wavFiles(), QStringList());
        QVERIFY(run.isIdle());
    }

    void songsGoInTheOrderOfTheSelectedItems()
    {
        RunFixture run;
        const QStringList ids{"10", "20", "30"};
        QMap<QString, QString> songOfId;
        for (int i = 0; i < ids.size(); ++i) {
            songOfId[ids[i]] = run.standIns.addSong(ids[i], "BPM: " + QByteArray::number(101 + i) + "\n");
            run.addSong(ids[i], QStringLiteral("Title %1").arg(i), songOfId[ids[i]]);
        }
        run.select({"30", "10", "20"});
        QStringList expected;
        for (const std::string &key : run.window->selectedSongKeys())
            expected << QStringLiteral("convert ") + songOfId[QString::fromStdString(key)];
        QCOMPARE(expected.size(), 3);

        QVERIFY(run.runToEnd());
        QStringList conversions = run.standIns.calls().filter(QRegularExpression("^convert "));
        QCOMPARE(conversions, expected);
        for (int i = 0; i < ids.size(); ++i)
            QCOMPARE(librarySong(ids[i]).bpm(), 101 + i);
        QCOMPARE(run.messages, QStringList{completed});
        QCOMPARE(run.standIns.wavFiles(), QStringList());
    }

    void passedOverSongsReplaceEachOthersMessages()
    {
        RunFixture run;
        run.addSong("1", "Gone A", run.standIns.wavDir() + "/gone-a.mp3");
        run.addSong("2", "Locked", run.standIns.addSong("locked", "BPM: 120\n"),
                    [](DBelement &record) { record.isProtected = true; });
        run.addSong("3", "Gone B", run.standIns.wavDir() + "/gone-b.mp3");
        run.select({"1", "2", "3"});
        run.window->BeatFind();
        // All three are passed over within the one step that BeatFind runs.
        QVERIFY(run.isIdle());
        QCOMPARE(run.messages,
                 (QStringList{"beatfind could not find: Gone A", "beatfind skipping protected file: Locked",
                              "beatfind could not find: Gone B", completed}));
        QCOMPARE(run.window->statusbar->currentMessage(), completed);
        QCOMPARE(run.callKinds(), QStringList());
    }

    void noSelectionCompletesAtOnce()
    {
        RunFixture run;
        run.addSong("1", "Not Selected", run.standIns.addSong("1", "BPM: 120\n"));
        run.window->BeatFind();
        QVERIFY(run.isIdle());
        QCOMPARE(run.messages, QStringList{completed});
        QVERIFY(run.window->modified);
        QCOMPARE(run.callKinds(), QStringList());
    }

    void warningAnsweredNoThenYes()
    {
        RunFixture run;
        run.window->haveWarned = false;
        run.addSong("1", "Song", run.standIns.addSong("1", "BPM: 150\n"));
        run.select({"1"});
        DialogAnswerer answers;
        answers.messageBox(QMessageBox::No).messageBox(QMessageBox::Yes);

        run.window->BeatFind();
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].title, QStringLiteral("BeatFind Warning"));
        QVERIFY(answers.seen[0].text.startsWith("BeatFind imports your music"));
        QVERIFY(answers.seen[0].text.contains("No iTunes is opened."));
        QVERIFY(answers.seen[0].text.endsWith("Do you want to proceed?"));
        QVERIFY(!run.window->modified);
        QVERIFY(run.isIdle());
        QVERIFY(run.messages.isEmpty());

        QVERIFY(run.runToEnd());
        QCOMPARE(answers.seen.size(), 2);
        QCOMPARE(librarySong("1").bpm(), 150);

        // Accepted once, never asked again.
        QVERIFY(run.runToEnd());
        QCOMPARE(answers.seen.size(), 2);
        QCOMPARE(run.callKinds().size(), 4);
    }

    // An iTunes library copied from a Windows computer: BeatFind asks once
    // where its music folder lies here, remembers it and finds the song.
    void copiedItunesLibraryAsksWhereItsSongsAre()
    {
        const QString library = QDir::homePath() + "/Music/iTunes/iTunes Music Library.xml";
        QVERIFY(QDir().mkpath(QFileInfo(library).path()));
        QFile::remove(library);
        QVERIFY(
            QFile::copy(qEnvironmentVariable("VELMORA_SOURCE") + "/tests/data/itunes/rkiv-python_iTunes.xml", library));
        RunFixture run;
        const QString song = run.standIns.addSong("Intro.mp3", "BPM: 140\n");
        const QString localRoot = QFileInfo(song).path();
        run.addSong("1", "Intro", "//localhost/C:/Users/Ryan/Music/iTunes/iTunes Media/Intro.mp3");
        run.select({"1"});
        DialogAnswerer answers;
        answers.fileDialog(localRoot);

        QVERIFY(run.runToEnd());
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(answers.seen[0].kind, QStringLiteral("QFileDialog"));
        QVERIFY(answers.seen[0].title.contains("/C:/Users/Ryan/Music/iTunes/iTunes Media/"));
        QCOMPARE(librarySong("1").bpm(), 140);

        // Remembered: the next run goes straight to the song.
        editSong("1", [](DBelement &record) { record.setBPM("99"); });
        QVERIFY(run.runToEnd());
        QCOMPARE(answers.seen.size(), 1);
        QCOMPARE(librarySong("1").bpm(), 140);
        QSettings().remove("itunesRoots");
        QFile::remove(library);
    }

    // Songs whose files are known and present are analysed without an import.
    void knownFilesNeedNoImport()
    {
        RunFixture run;
        run.window->itunesLoaded = false;
        run.addSong("1", "Song", run.standIns.addSong("1", "BPM: 150\n"));
        run.select({"1"});
        QSignalSpy imports(run.window.get(), &Tagdesk::loadItunesDone);
        QVERIFY(run.runToEnd());
        QCOMPARE(imports.count(), 0);
        QCOMPARE(librarySong("1").bpm(), 150);
    }

    void importThatCannotStartEndsTheRun()
    {
        RunFixture run;
        run.window->itunesLoaded = false;
        // A song whose file is not known yet needs the import.
        run.addSong("1", "Song", QString());
        run.select({"1"});
        DialogAnswerer answers; // the message that there is no music to import
        answers.messageBox(QMessageBox::Ok);

        run.window->BeatFind();
        QVERIFY(run.isIdle());
        QVERIFY(run.window->modified);
        // The run no longer waits for an import to end.
        emit run.window->loadItunesDone();
        QTest::qWait(50);
        QVERIFY(run.messages.filter(completed).isEmpty());
        QCOMPARE(run.callKinds(), QStringList());
        QCOMPARE(librarySong("1").bpm(), 99);
    }

    void labelAndCommandsFollowTheRun()
    {
        RunFixture run;
        run.standIns.setConverter("wait_for converted\n" + StandIns::copyingConverter);
        run.standIns.setAnalyser("wait_for analysed\n" + StandIns::printingAnalyser);
        run.addSong("1", "Song", run.standIns.addSong("1", "BPM: 150\n"));
        run.select({"1"});
        Tagdesk &window = *run.window;

        window.BeatFind();
        QVERIFY(window.run.analysisRunning);
        QCOMPARE(window.convertLabel->text(), QStringLiteral("Processing: Song (1 of 1)"));
        QVERIFY(!window.convertLabel->isHidden());
        QVERIFY(!window.convertCancelButton->isHidden());
        QVERIFY(!window.actionBeatFind->isEnabled());
        QVERIFY(!window.actionDelete->isEnabled());

        run.standIns.release("converted");
        QTRY_COMPARE(window.convertLabel->text(), QStringLiteral("Calculating: Song (1 of 1)"));
        QVERIFY(!window.actionDelete->isEnabled());
        QCOMPARE(run.standIns.wavFiles().size(), 1);

        run.standIns.release("analysed");
        QVERIFY(run.waitForEnd());
        QVERIFY(run.isIdle());
        QCOMPARE(librarySong("1").bpm(), 150);
    }

    // A message about one song stays 4 s, the end of the run 8 s; Qt's coarse
    // timers may fire up to 5 % early.
    void statusMessagesTimeOut()
    {
        RunFixture run;
        run.standIns.setConverter("wait_for converted\n" + StandIns::copyingConverter);
        run.addSong("1", "Gone", run.standIns.wavDir() + "/gone.mp3");
        run.addSong("2", "Song", run.standIns.addSong("2", "BPM: 150\n"));
        run.select({"1", "2"});
        QElapsedTimer clock;
        QList<qint64> cleared;
        connect(run.window->statusbar, &QStatusBar::messageChanged, this, [&](const QString &message) {
            if (message.isEmpty())
                cleared << clock.elapsed();
        });

        clock.start();
        run.window->BeatFind();
        QCOMPARE(run.messages, QStringList{"beatfind could not find: Gone"});
        QTRY_COMPARE_WITH_TIMEOUT(cleared.size(), 1, 10000);
        QVERIFY2(cleared[0] >= 3800 && cleared[0] < 7000, qPrintable(QString::number(cleared[0])));

        run.standIns.release("converted");
        QVERIFY(run.waitForEnd());
        clock.restart();
        QCOMPARE(run.messages.last(), completed);
        QTRY_COMPARE_WITH_TIMEOUT(cleared.size(), 2, 15000);
        QVERIFY2(cleared[1] >= 7600, qPrintable(QString::number(cleared[1])));
    }

    void outputLines()
    {
        RunFixture run;
        const QString song = run.standIns.addSong("song.mp3", "BPM: 120\n");
        run.addSong("1", "Song", "//localhost" + song);
        run.select({"1"});
        const QString wav = run.standIns.wavDir() + "/song.mp3.wav";
        // The Qt debug line goes through the test logger, not standard output.
        const QtMessageHandler logger =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QString out;
        {
            OutputCapture capture;
            QVERIFY(run.runToEnd());
            out = capture.out();
        }
        qInstallMessageHandler(logger);
        QCOMPARE(out,
                 QStringLiteral("BeatFind\n"
                                "Processing: %1\n"
                                "AppleScript: %2\n"
                                "Saw: Location: %3\n\n"
                                "Saw: BitRate: 1411\n\n"
                                "Saw: SampleRate: 44100\n\n"
                                "Saw: BPM: 120\n\n")
                     .arg(song, QCoreApplication::applicationDirPath(), wav));
    }
};

VELMORA_TEST_MAIN(TestBeatFindRun)
#include "tst_beatfindrun.moc"
