#include "librarysongs.h"
#include "table/columns.h"
#include "testenvironment.h"
#include "dialoganswerer.h"
#include "itunestestfiles.h"
#include "outputcapture.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "library/dbelement.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {

ItunesKeys audioTrack(const QByteArray &persistentID, const QByteArray &name)
{
    return {{"Name", "<string>" + name + "</string>"},
            {"Kind", "<string>MPEG audio file</string>"},
            {"Persistent ID", "<string>" + persistentID + "</string>"}};
}

void addShownRecord(const std::string &key, const QString &title, int bpm)
{
    SongStore::library().update(key, [&](DBelement &record) {
        record.setPersistentID(QString::fromStdString(key));
        record.setTitle(title);
        record.setArtist(QStringLiteral("Library Artist"));
        record.setBPM(QString::number(bpm));
        record.setItunes(QStringLiteral("true"));
    });
    SongStore::library().setupRow(key);
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

class TestItunesImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileWithoutKeysFinishesInsideLoadItunes();
    void missingFileShowsItsPathAndALaterImportWorks();
    void malformedFileChangesNothing();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void secondImportWhileOneRunsIsIgnored();
    void recordNoLongerInItunesKeepsItsFields();
    void bpmTakenOver_data();
    void bpmTakenOver();
    void kindDecides_data();
    void kindDecides();
    void writesOneLinePerTrack();
    void fileWithBpmKeys();
    void realFiles_data();
    void realFiles();
    void reimportIntoSortedTable();

private:
    std::unique_ptr<Tagdesk> window;
};

void TestItunesImport::init()
{
    window = std::make_unique<Tagdesk>();
    window->show();
}

void TestItunesImport::cleanup()
{
    window.reset();
    QFile::remove(itunesLibraryPath());
    QSettings().remove(QStringLiteral("musicFolders"));
}

void TestItunesImport::fileWithoutKeysFinishesInsideLoadItunes()
{
    writeItunesLibrary("<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><string>x</string></dict></plist>\n");
    QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
    QCOMPARE(window->loadItunes(), 0);
    QCOMPARE(done.count(), 1);
    QVERIFY(window->itunesLoaded);
    QVERIFY(!window->itunesImport.loadingItunes);
    QVERIFY(!SongStore::library().inBulkChange());
    QVERIFY(window->statusbar->currentMessage().isEmpty());
}

void TestItunesImport::missingFileShowsItsPathAndALaterImportWorks()
{
    // A user with music folders asked for iTunes: the file's own message.
    rememberMusicFolder(QDir::homePath());
    DialogAnswerer answers;
    answers.messageBox(QMessageBox::Ok);
    QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
    QCOMPARE(window->loadItunes(), -1);
    QCOMPARE(answers.seen.size(), 1);
    QCOMPARE(answers.seen[0].title, QStringLiteral("iTunes Music Library file missing"));
    QCOMPARE(answers.seen[0].text, QStringLiteral("File \"%1\" not found.").arg(itunesLibraryPath()));
    QCOMPARE(done.count(), 0);
    QVERIFY(!window->itunesImport.loadingItunes);
    QVERIFY(!window->itunesLoaded);
    QVERIFY(window->modified);
    QVERIFY(!SongStore::library().inBulkChange());
    QVERIFY(window->statusbar->currentMessage().isEmpty());

    writeItunesLibrary(itunesLibraryFile({itunesTrackDict(audioTrack("00000000000000FF", "Later"))}));
    QVERIFY(importFromItunes(*window));
    QCOMPARE(window->libraryModel->rowCount(), 1);
    QCOMPARE(librarySong(QStringLiteral("255")).text(SongField::Title), QStringLiteral("Later"));
}

void TestItunesImport::malformedFileChangesNothing()
{
    addShownRecord("77", QStringLiteral("Kept"), 120);
    const QByteArray whole = itunesLibraryFile({itunesTrackDict(audioTrack("000000000000004D", "Replaced"))});
    writeItunesLibrary(whole.left(whole.indexOf("</dict>") + 3));
    QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
    OutputCapture output;
    QCOMPARE(window->loadItunes(), -1);
    const QString out = output.out();
    QVERIFY2(
        QRegularExpression(QStringLiteral("^DOMHandler problem: \\S.* Line,Col:\\d+,\\d+\\n$")).match(out).hasMatch(),
        qPrintable(out));
    QCOMPARE(done.count(), 0);
    QVERIFY(!window->itunesImport.loadingItunes);
    QVERIFY(!window->itunesLoaded);
    QCOMPARE(SongStore::library().size(), size_t(1));
    QCOMPARE(librarySong(QStringLiteral("77")).text(SongField::Title), QStringLiteral("Kept"));
    QCOMPARE(librarySong(QStringLiteral("77")).text(SongField::Itunes), QStringLiteral("true"));
    QCOMPARE(window->libraryModel->rowCount(), 1);
    QVERIFY(!SongStore::library().inBulkChange());
}

void TestItunesImport::refusedFileChangesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("refusal");
    // A FIFO once froze the window in open() until someone wrote to it.
    QTest::newRow("FIFO") << "fifo"
                          << "it is not a regular file";
    QTest::newRow("directory") << "directory"
                               << "it is not a regular file";
    QTest::newRow("huge value") << "value"
                                << "it holds a value of more than 1 MiB";
}

void TestItunesImport::refusedFileChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, refusal);
    addShownRecord("77", QStringLiteral("Kept"), 120);
    QFile::remove(itunesLibraryPath());
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(itunesLibraryPath()).constData(), 0600), 0);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(itunesLibraryPath()));
    else
        writeItunesLibrary(
            itunesLibraryFile({itunesTrackDict(audioTrack("000000000000004D", QByteArray(2 << 20, 'x')))}));
    QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
    OutputCapture output;
    QCOMPARE(window->loadItunes(), -1);
    const QString out = output.out();
    QVERIFY2(
        out.startsWith(QStringLiteral("iTunes library file \"%1\" not read: %2").arg(itunesLibraryPath(), refusal)),
        qPrintable(out));
    QCOMPARE(done.count(), 0);
    QVERIFY(!window->itunesImport.loadingItunes);
    QCOMPARE(SongStore::library().size(), size_t(1));
    QCOMPARE(librarySong(QStringLiteral("77")).text(SongField::Itunes), QStringLiteral("true"));
    QVERIFY(!SongStore::library().inBulkChange());
    QFile::remove(itunesLibraryPath());
    QDir().rmdir(itunesLibraryPath());
}

void TestItunesImport::secondImportWhileOneRunsIsIgnored()
{
    writeItunesLibrary(
        itunesLibraryFile({itunesTrackDict(audioTrack("1", "One")), itunesTrackDict(audioTrack("2", "Two")),
                           itunesTrackDict(audioTrack("3", "Three"))}));
    QSignalSpy done(window.get(), &Tagdesk::loadItunesDone);
    window->from_iTunesSync();
    QVERIFY(window->itunesImport.loadingItunes);
    QCOMPARE(window->loadItunes(), 0);
    QVERIFY(done.wait(10000));
    QTest::qWait(50);
    QCOMPARE(done.count(), 1);
    QCOMPARE(window->libraryModel->rowCount(), 3);
}

void TestItunesImport::recordNoLongerInItunesKeepsItsFields()
{
    addShownRecord("42", QStringLiteral("Gone From iTunes"), 120);
    writeItunesLibrary(itunesLibraryFile({itunesTrackDict(audioTrack("00000000000000FF", "Still There"))}));
    QVERIFY(importFromItunes(*window));
    const DBelement &kept = librarySong(QStringLiteral("42"));
    QCOMPARE(kept.text(SongField::Title), QStringLiteral("Gone From iTunes"));
    QCOMPARE(kept.text(SongField::Artist), QStringLiteral("Library Artist"));
    QCOMPARE(kept.bpm(), 120);
    QCOMPARE(kept.text(SongField::Itunes), QStringLiteral("false"));
    QCOMPARE(kept.value(SongField::Itunes).toInt(), 0);
    QVERIFY(kept.isShown());
    QCOMPARE(librarySong(QStringLiteral("255")).text(SongField::Itunes), QStringLiteral("true"));
    QCOMPARE(window->libraryModel->rowCount(), 2);
}

void TestItunesImport::bpmTakenOver_data()
{
    QTest::addColumn<int>("existing");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QByteArray>("itunes");
    QTest::addColumn<int>("expected");
    QTest::newRow("49 leaves none") << 0 << false << QByteArray("49") << 0;
    QTest::newRow("50 fills") << 0 << false << QByteArray("50") << 50;
    QTest::newRow("200 fills") << 0 << false << QByteArray("200") << 200;
    QTest::newRow("201 leaves none") << 0 << false << QByteArray("201") << 0;
    QTest::newRow("existing kept") << 95 << false << QByteArray("122") << 95;
    QTest::newRow("locked kept") << 95 << true << QByteArray("122") << 95;
    QTest::newRow("locked without a BPM stays without") << 0 << true << QByteArray("122") << 0;
}

void TestItunesImport::bpmTakenOver()
{
    QFETCH(int, existing);
    QFETCH(bool, locked);
    QFETCH(QByteArray, itunes);
    QFETCH(int, expected);
    if (existing > 0 || locked) {
        addShownRecord("255", QStringLiteral("Known"), existing);
        SongStore::library().change("255", [locked](DBelement &record) { record.setBpmLocked(locked); });
    }
    ItunesKeys track = audioTrack("00000000000000FF", "Tempo");
    track.append({"BPM", "<integer>" + itunes + "</integer>"});
    writeItunesLibrary(itunesLibraryFile({itunesTrackDict(track)}));
    QVERIFY(importFromItunes(*window));
    QCOMPARE(librarySong(QStringLiteral("255")).bpm(), expected);
    QCOMPARE(librarySong(QStringLiteral("255")).bpmLocked(), locked);
    QCOMPARE(window->libraryModel->rowCount(), 1);
}

void TestItunesImport::kindDecides_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<bool>("imported");
    QTest::addColumn<bool>("isProtected");
    QTest::newRow("audio") << QByteArray("<string>MPEG audio file</string>") << false << true << false;
    QTest::newRow("protected") << QByteArray("<string>Protected AAC audio file</string>") << false << true << true;
    QTest::newRow("protected, any case") << QByteArray("<string>pROTECTED aac AuDiO FiLe</string>") << true << true
                                         << true;
    QTest::newRow("video, new") << QByteArray("<string>MPEG-4 video file</string>") << false << false << false;
    QTest::newRow("video, shown before") << QByteArray("<string>MPEG-4 video file</string>") << true << false << false;
    QTest::newRow("no kind text") << QByteArray("<string></string>") << true << false << false;
}

void TestItunesImport::kindDecides()
{
    QFETCH(QByteArray, kind);
    QFETCH(bool, shownBefore);
    QFETCH(bool, imported);
    QFETCH(bool, isProtected);
    if (shownBefore)
        addShownRecord("255", QStringLiteral("A Shown Song"), 0);
    const ItunesKeys track = {
        {"Persistent ID", "<string>00000000000000FF</string>"}, {"Name", "<string>Song</string>"}, {"Kind", kind}};
    writeItunesLibrary(
        itunesLibraryFile({itunesTrackDict(audioTrack("0000000000000001", "Other")), itunesTrackDict(track)}));
    QVERIFY(importFromItunes(*window));
    QCOMPARE(SongStore::library().tableMap().count("255") == 1, imported);
    QCOMPARE(window->libraryModel->rowCount(), imported ? 2 : 1);
    QVERIFY(!hasEmptyRow(window->libraryModel));
    if (imported) {
        QCOMPARE(librarySong(QStringLiteral("255")).isProtected, isProtected);
        QCOMPARE(librarySong(QStringLiteral("255")).text(SongField::Title), QStringLiteral("Song"));
    }
}

void TestItunesImport::writesOneLinePerTrack()
{
    const ItunesKeys tempo = {{"Name", "<string>Tempo</string>"},
                              {"BPM", "<integer>122</integer>"},
                              {"Persistent ID", "<string>00000000000000FF</string>"},
                              {"Kind", "<string>MPEG audio file</string>"},
                              {"Location", "<string>file:///Music/a%20b.mp3</string>"}};
    const ItunesKeys noID = {{"Name", "<string>No ID</string>"}, {"Persistent ID", "<string/>"}};
    const ItunesKeys video = {{"Persistent ID", "<string>FFFFFFFFFFFFFFFF</string>"},
                              {"Location", "<string>file://localhost/Movies/v.m4v</string>"},
                              {"Kind", "<string>MPEG-4 video file</string>"},
                              {"BPM", "<integer>90</integer>"}};
    writeItunesLibrary(itunesLibraryFile({itunesTrackDict(tempo), itunesTrackDict(noID), itunesTrackDict(video)}));
    OutputCapture output;
    QVERIFY(importFromItunes(*window));
    QCOMPARE(output.out(),
             QStringLiteral("QVX Persistent ID found: 255 BPM: 122 loc: /Music/a b.mp3 \n"
                            "QVX Persistent ID found: unknown\n"
                            "QVX Persistent ID found: -1 loc: //localhost/Movies/v.m4v \n"));
    QCOMPARE(SongStore::library().size(), size_t(1));
    QCOMPARE(librarySong(QStringLiteral("255")).bpm(), 122);
    QCOMPARE(librarySong(QStringLiteral("255")).text(SongField::Location), QStringLiteral("/Music/a b.mp3"));
}

void TestItunesImport::fileWithBpmKeys()
{
    installItunesLibrary(QStringLiteral("bpm_keys_iTunes_Music_Library.xml"));
    OutputCapture output;
    QVERIFY(importFromItunes(*window));
    const QList<QPair<std::string, int>> expected = {
        {"40961", 0}, {"40962", 50}, {"40963", 122}, {"40964", 200}, {"40965", 0}};
    QCOMPARE(SongStore::library().size(), size_t(expected.size()));
    for (const auto &[key, bpm] : expected)
        QCOMPARE(librarySong(QString::fromStdString(key)).bpm(), bpm);
    QVERIFY(librarySong(QStringLiteral("40964")).isProtected);
    QVERIFY(!librarySong(QStringLiteral("40963")).isProtected);
    QCOMPARE(window->libraryModel->rowCount(), expected.size());
    QVERIFY(output.out().contains(
        QStringLiteral("QVX Persistent ID found: 40963 BPM: 122 loc: //localhost/Users/tester/Music/iTunes/"
                       "iTunes Music/The Testers/Tempo Tests/03 Mid Tempo.m4a \n")));
}

void TestItunesImport::realFiles_data()
{
    QTest::addColumn<QString>("library");
    for (const char *name : {"mixxx_iTunes_Music_Library", "rkiv-python_iTunes", "beets_itunes_library_windows",
                             "beets_itunes_library_unix", "Mac-iTunes-Library_iTunes_Music_Library"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Each real file gives exactly the tracks it holds, with every field taken
// over, as an independent reading of the file lists them.
void TestItunesImport::realFiles()
{
    QFETCH(QString, library);
    installItunesLibrary(library + QStringLiteral(".xml"));
    QFile expectedFile(testDataPath(library + QStringLiteral(".expected.tsv")));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    OutputCapture output;
    QVERIFY(importFromItunes(*window));
    QCOMPARE(SongStore::library().size(), size_t(expected.size()));
    QCOMPARE(window->libraryModel->rowCount(), expected.size());
    QString lines;
    for (const QString &line : expected) {
        const QStringList field = line.split(QLatin1Char('\t'));
        const DBelement *found = SongStore::library().find(field[0].toStdString());
        QVERIFY2(found, qPrintable(field[0]));
        const DBelement &record = *found;
        QCOMPARE(record.text(SongField::PersistentID), field[0]);
        QCOMPARE(record.text(SongField::Title), field[1]);
        QCOMPARE(record.text(SongField::Artist), field[2]);
        QCOMPARE(record.text(SongField::AlbumTitle), field[3]);
        QCOMPARE(record.text(SongField::Genre), field[4]);
        QCOMPARE(record.text(SongField::AlbumArtist), field[5]);
        QCOMPARE(record.text(SongField::Composer), field[6]);
        QCOMPARE(record.text(SongField::Location), field[7]);
        QCOMPARE(record.isProtected, field[8] == QLatin1String("true"));
        QCOMPARE(record.text(SongField::Itunes), QStringLiteral("true"));
        QCOMPARE(record.bpm(), 0);
        QVERIFY(record.isShown());
        lines += QStringLiteral("QVX Persistent ID found: %1 loc: %2 \n").arg(field[0], field[7]);
    }
    QCOMPARE(output.out(), lines);
}

// A second import refreshes records that a sort has moved around the table.
void TestItunesImport::reimportIntoSortedTable()
{
    installItunesLibrary(QStringLiteral("Mac-iTunes-Library_iTunes_Music_Library.xml"));
    QVERIFY(importFromItunes(*window));
    const LibraryModel *model = window->libraryModel;
    const int rows = model->rowCount();
    SongStore &store = SongStore::library();
    for (const Song &shown : store.tableMap()) {
        store.change(shown.first, [](DBelement &record) {
            record.setTitle(QStringLiteral("Changed"));
            record.setItunes(QStringLiteral("false"));
        });
    }
    addShownRecord("5", QStringLiteral("Library Only"), 100);
    QVERIFY(importFromItunes(*window));
    QCOMPARE(model->rowCount(), rows + 1);
    QVERIFY(!hasEmptyRow(model));
    QStringList titles;
    for (int row = 0; row < model->rowCount(); ++row) {
        const DBelement &record = librarySong(cellText(model, row, ColumnPersistentID));
        QCOMPARE(cellText(model, row, ColumnTitle), record.text(SongField::Title));
        QCOMPARE(record.text(SongField::Itunes),
                 QString::fromLatin1(record.text(SongField::PersistentID) == "5" ? "false" : "true"));
        titles << record.text(SongField::Title);
    }
    QVERIFY(!titles.contains(QStringLiteral("Changed")));
    QStringList sorted = titles;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(titles, sorted);
}

VELMORA_TEST_MAIN(TestItunesImport)
#include "tst_itunesimport.moc"
