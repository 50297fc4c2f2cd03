#include "librarysongs.h"
#include "table/columns.h"
#include "library/globals.h"
#include "app/tagdesk.h"
#include "dialoganswerer.h"
#include "library/dbelement.h"
#include "outputcapture.h"
#include "testenvironment.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void addSong(const QString &id, const QString &title, const QString &bpm)
{
    editSong(id, [&](DBelement &record) {
        record.setPersistentID(id);
        record.setTitle(title);
        record.setBPM(bpm);
    });
}

} // namespace

class TestLibraryFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Tagdesk> window;

    QString path(const QString &name) const { return dir.filePath(name); }

    // Reads a library file to its end, as start-up and Open File do.
    void load(const QString &fileName)
    {
        QSignalSpy done(window.get(), &Tagdesk::loadFileDone);
        window->loadFile(fileName);
        if (window->fileRead.loadingFile)
            QVERIFY(done.wait(10000));
    }

private slots:
    void init()
    {
        QSettings().clear();
        currentFileName.clear();
        syncEnabled = false;
        window = std::make_unique<Tagdesk>();
        window->setWindowTitle(QStringLiteral("VelmoraSync"));
    }
    void cleanup() { window.reset(); }

    void roundTripKeepsEveryStoredField()
    {
        addSong(QStringLiteral("-5"), QStringLiteral("Ærø & <Ünïcødé> \"q\" 'a' 日本"), QStringLiteral("128"));
        editSong(QStringLiteral("-5"), [](DBelement &song) {
            song.setArtist(QStringLiteral("Artist\twith tab"));
            song.setAlbumTitle(QStringLiteral("Line\nbreak"));
            song.setGenre(QStringLiteral("Genre"));
            song.setAlbumArtist(QStringLiteral("Album Artist"));
            song.setComposer(QStringLiteral("Composer"));
            song.setItunes(QStringLiteral("1"));
            song.setIphone(QStringLiteral("false"));
            song.setLocation(QStringLiteral("/music/new\nline & <x> \"q\"\t.mp3"));
            song.setPhoneID(QStringLiteral("-4611686018427387904"));
            song.deviceBPM = 99;
        });
        addSong(QStringLiteral("77"), QStringLiteral("Plain"), QStringLiteral("0"));
        QVERIFY(window->writeLibrary(path("lib.tgd")));

        load(path("lib.tgd"));
        QCOMPARE(SongStore::library().size(), size_t(2));
        const DBelement &back = librarySong(QStringLiteral("-5"));
        QCOMPARE(back.text(SongField::Title), QStringLiteral("Ærø & <Ünïcødé> \"q\" 'a' 日本"));
        QCOMPARE(back.text(SongField::Artist), QStringLiteral("Artist\twith tab"));
        QCOMPARE(back.text(SongField::AlbumTitle), QStringLiteral("Line\nbreak"));
        QCOMPARE(back.text(SongField::Composer), QStringLiteral("Composer"));
        QCOMPARE(back.bpm(), 128);
        QCOMPARE(back.text(SongField::Itunes), QStringLiteral("true"));
        QCOMPARE(back.text(SongField::Iphone), QStringLiteral("false"));
        // The file's location comes back as it was, white space included.
        QCOMPARE(back.text(SongField::Location), QStringLiteral("/music/new\nline & <x> \"q\"\t.mp3"));
        QVERIFY(librarySong(QStringLiteral("77")).text(SongField::Location).isEmpty());
        QCOMPARE(back.text(SongField::PhoneID), QStringLiteral("-4611686018427387904"));
        QVERIFY(!librarySong(QStringLiteral("77")).isSet(SongField::PhoneID));
        // Not stored: what only the phone knows.
        QCOMPARE(back.deviceBPM, 0);
        QCOMPARE(window->libraryModel->rowCount(), 2);
    }

    void writtenFileIsDeterministicInKeyAndAttributeOrder()
    {
        addSong(QStringLiteral("b"), QStringLiteral("Second"), QStringLiteral("120"));
        addSong(QStringLiteral("A"), QStringLiteral("First"), QStringLiteral("95"));
        QVERIFY(window->writeLibrary(path("one.tgd")));
        QVERIFY(window->writeLibrary(path("two.tgd")));
        const QByteArray bytes = readFile(path("one.tgd"));
        QCOMPARE(readFile(path("two.tgd")), bytes);
        QVERIFY(!bytes.startsWith("<?xml"));
        QCOMPARE(
            bytes,
            QByteArray("<TAGDESK version=\"100\">\n"
                       " <Element_Data persistentID=\"A\" title=\"First\" bpm=\"95\" artist=\"\" albumTitle=\"\" "
                       "genre=\"\" albumArtist=\"\" composer=\"\" iTunes=\"\" iPhone=\"\"/>\n"
                       " <Element_Data persistentID=\"b\" title=\"Second\" bpm=\"120\" artist=\"\" albumTitle=\"\" "
                       "genre=\"\" albumArtist=\"\" composer=\"\" iTunes=\"\" iPhone=\"\"/>\n"
                       "</TAGDESK>\n"));

        // A location follows the ten attributes that every reader knows.
        editSong(QStringLiteral("A"), [](DBelement &song) { song.setLocation(QStringLiteral("/m/a.flac")); });
        QVERIFY(window->writeLibrary(path("three.tgd")));
        QVERIFY(
            readFile(path("three.tgd")).contains("composer=\"\" iTunes=\"\" iPhone=\"\" location=\"/m/a.flac\"/>\n"));
        // And the phone's ID of a linked song follows the location.
        editSong(QStringLiteral("A"), [](DBelement &song) { song.setPhoneID(QStringLiteral("9001")); });
        QVERIFY(window->writeLibrary(path("four.tgd")));
        QVERIFY(readFile(path("four.tgd")).contains("iPhone=\"\" location=\"/m/a.flac\" phoneID=\"9001\"/>\n"));
    }

    // A file from before locations were kept reads as it always did; a later
    // element of the same song without one leaves the location alone.
    void locationIsReadOnlyWhenPresent()
    {
        writeFile(path("old.tgd"),
                  "<TAGDESK version=\"100\">\n"
                  " <Element_Data persistentID=\"1\" title=\"Old\" bpm=\"90\"/>\n"
                  " <Element_Data persistentID=\"2\" title=\"New\" location=\"/m/b.mp3\"/>\n"
                  " <Element_Data persistentID=\"2\" title=\"Again\"/>\n"
                  "</TAGDESK>\n");
        load(path("old.tgd"));
        QVERIFY(librarySong(QStringLiteral("1")).text(SongField::Location).isEmpty());
        QCOMPARE(librarySong(QStringLiteral("1")).bpm(), 90);
        QCOMPARE(librarySong(QStringLiteral("2")).text(SongField::Title), QStringLiteral("Again"));
        QCOMPARE(librarySong(QStringLiteral("2")).text(SongField::Location), QStringLiteral("/m/b.mp3"));
    }

    // Only a song with an Alternative carries the attribute, after the
    // others, so a library without any is written as before.
    void alternativeIsWrittenAfterTheOtherAttributesAndReadBack()
    {
        addSong(QStringLiteral("1"), QStringLiteral("Unsure"), QStringLiteral("63"));
        addSong(QStringLiteral("2"), QStringLiteral("Sure"), QStringLiteral("120"));
        for (const char *id : {"1", "2"}) {
            editSong(QString::fromLatin1(id), [](DBelement &song) {
                song.setItunes(QStringLiteral("1"));
                song.setIphone(QStringLiteral("0"));
            });
        }
        editSong(QStringLiteral("1"), [](DBelement &song) { song.setBpmAlternative(127); });
        QVERIFY(window->writeLibrary(path("alt.tgd")));
        QCOMPARE(
            readFile(path("alt.tgd")),
            QByteArray(
                "<TAGDESK version=\"100\">\n"
                " <Element_Data persistentID=\"1\" title=\"Unsure\" bpm=\"63\" artist=\"\" albumTitle=\"\" "
                "genre=\"\" albumArtist=\"\" composer=\"\" iTunes=\"true\" iPhone=\"false\" bpmAlternative=\"127\"/>\n"
                " <Element_Data persistentID=\"2\" title=\"Sure\" bpm=\"120\" artist=\"\" albumTitle=\"\" "
                "genre=\"\" albumArtist=\"\" composer=\"\" iTunes=\"true\" iPhone=\"false\"/>\n"
                "</TAGDESK>\n"));

        load(path("alt.tgd"));
        const DBelement &unsure = librarySong(QStringLiteral("1"));
        QCOMPARE(unsure.bpm(), 63);
        QCOMPARE(unsure.bpmAlternative(), 127);
        const int row = window->libraryModel->rowOf(libraryKey(QStringLiteral("1")));
        QCOMPARE(window->libraryModel->index(row, ColumnBpm).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Maybe 127"));
        QCOMPARE(librarySong(QStringLiteral("2")).bpmAlternative(), 0);
        QVERIFY(window->writeLibrary(path("again.tgd")));
        QCOMPARE(readFile(path("again.tgd")), readFile(path("alt.tgd")));
    }

    // Files from before the Alternative, and hand-edited values, read
    // without one; a later element for the same song replaces it.
    void alternativeAttributeIsRead_data()
    {
        QTest::addColumn<QByteArray>("elements");
        QTest::addColumn<int>("alternative");
        QTest::newRow("older file") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\"/>") << 0;
        QTest::newRow("fraction truncated")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmAlternative=\"180.7\"/>") << 180;
        QTest::newRow("garbage") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmAlternative=\"x\"/>")
                                 << 0;
        QTest::newRow("out of range") << QByteArray(
            "<Element_Data persistentID=\"1\" bpm=\"90\" bpmAlternative=\"360\"/>")
                                      << 0;
        QTest::newRow("later element without one")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmAlternative=\"180\"/>"
                          "<Element_Data persistentID=\"1\" bpm=\"90\"/>")
            << 0;
    }
    void alternativeAttributeIsRead()
    {
        QFETCH(QByteArray, elements);
        QFETCH(int, alternative);
        writeFile(path("old.tgd"), "<TAGDESK version=\"100\">" + elements + "</TAGDESK>");
        load(path("old.tgd"));
        const DBelement &read = librarySong(QStringLiteral("1"));
        QCOMPARE(read.bpm(), 90);
        QCOMPARE(read.bpmAlternative(), alternative);
        QCOMPARE(window->libraryModel->index(0, ColumnBpm).data(Qt::ToolTipRole).isValid(), alternative != 0);
    }

    // The lock and the exact tempo come last, each only on a song that has
    // one, and read back as written.
    void lockAndExactTempoAreWrittenLastAndReadBack()
    {
        addSong(QStringLiteral("1"), QStringLiteral("Locked"), QStringLiteral("120"));
        addSong(QStringLiteral("2"), QStringLiteral("Halved"), QStringLiteral("0"));
        addSong(QStringLiteral("3"), QStringLiteral("Everything"), QStringLiteral("0"));
        addSong(QStringLiteral("4"), QStringLiteral("Plain"), QStringLiteral("95"));
        for (const char *id : {"1", "2", "3", "4"}) {
            editSong(QString::fromLatin1(id), [](DBelement &song) {
                song.setItunes(QStringLiteral("1"));
                song.setIphone(QStringLiteral("0"));
            });
        }
        editSong(QStringLiteral("1"), [](DBelement &song) { song.setBpmLocked(true); });
        editSong(QStringLiteral("2"), [](DBelement &song) { song.setBpmExact(67.5); });
        editSong(QStringLiteral("3"), [](DBelement &song) {
            song.setLevels({200. / 3, 100});
            song.setBpmLocked(true);
            song.setLocation(QStringLiteral("/m/e.mp3"));
            song.setPhoneID(QStringLiteral("77"));
        });
        QVERIFY(window->writeLibrary(path("lock.tgd")));
        const QByteArray written = readFile(path("lock.tgd"));
        const QByteArray others = "artist=\"\" albumTitle=\"\" genre=\"\" albumArtist=\"\" composer=\"\" "
                                  "iTunes=\"true\" iPhone=\"false\"";
        QCOMPARE(written,
                 "<TAGDESK version=\"100\">\n"
                 " <Element_Data persistentID=\"1\" title=\"Locked\" bpm=\"120\" "
                     + others
                     + " bpmLocked=\"true\"/>\n"
                       " <Element_Data persistentID=\"2\" title=\"Halved\" bpm=\"68\" "
                     + others
                     + " bpmExact=\"67.5\"/>\n"
                       " <Element_Data persistentID=\"3\" title=\"Everything\" bpm=\"67\" "
                     + others
                     + " bpmAlternative=\"100\" location=\"/m/e.mp3\" phoneID=\"77\" bpmLocked=\"true\" "
                       "bpmExact=\"66.66666666666667\"/>\n"
                       " <Element_Data persistentID=\"4\" title=\"Plain\" bpm=\"95\" "
                     + others + "/>\n</TAGDESK>\n");

        load(path("lock.tgd"));
        QVERIFY(librarySong(QStringLiteral("1")).bpmLocked());
        QCOMPARE(librarySong(QStringLiteral("1")).bpmExact(), 120.);
        QVERIFY(!librarySong(QStringLiteral("2")).bpmLocked());
        QCOMPARE(librarySong(QStringLiteral("2")).bpmExact(), 67.5);
        QCOMPARE(librarySong(QStringLiteral("2")).bpm(), 68);
        QVERIFY(librarySong(QStringLiteral("3")).bpmLocked());
        QCOMPARE(librarySong(QStringLiteral("3")).bpmExact(), 200. / 3);
        QVERIFY(!librarySong(QStringLiteral("4")).bpmLocked());
        QVERIFY(window->writeLibrary(path("again.tgd")));
        QCOMPARE(readFile(path("again.tgd")), written);
    }

    // A file written before the lock and the exact tempo reads as before and
    // is written back byte for byte.
    void fileWithoutLocksIsWrittenBackAsItWas()
    {
        const QByteArray old = "<TAGDESK version=\"100\">\n"
                               " <Element_Data persistentID=\"-12\" title=\"A &amp; B\" bpm=\"128\" artist=\"X\" "
                               "albumTitle=\"Y\" genre=\"Z\" albumArtist=\"\" composer=\"C\" iTunes=\"true\" "
                               "iPhone=\"false\" bpmAlternative=\"64\" location=\"/m/a.mp3\" phoneID=\"5\"/>\n"
                               " <Element_Data persistentID=\"7\" title=\"None\" bpm=\"0\" artist=\"\" "
                               "albumTitle=\"\" genre=\"\" albumArtist=\"\" composer=\"\" iTunes=\"false\" "
                               "iPhone=\"false\"/>\n"
                               "</TAGDESK>\n";
        writeFile(path("old.tgd"), old);
        load(path("old.tgd"));
        QCOMPARE(librarySong(QStringLiteral("-12")).bpm(), 128);
        QCOMPARE(librarySong(QStringLiteral("-12")).bpmExact(), 128.);
        QVERIFY(!librarySong(QStringLiteral("-12")).bpmLocked());
        QVERIFY(!librarySong(QStringLiteral("7")).bpmLocked());
        QVERIFY(window->writeLibrary(path("new.tgd")));
        QCOMPARE(readFile(path("new.tgd")), old);
    }

    // Hand-edited values: an exact tempo counts only when it comes to the
    // stored BPM; a later element of the same song replaces both.
    void lockAndExactAttributesAreRead_data()
    {
        QTest::addColumn<QByteArray>("elements");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<double>("exact");
        QTest::newRow("locked") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmLocked=\"true\"/>") << 90
                                << true << 90.;
        QTest::newRow("locked by 1") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmLocked=\"1\"/>")
                                     << 90 << true << 90.;
        QTest::newRow("not locked") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmLocked=\"no\"/>")
                                    << 90 << false << 90.;
        QTest::newRow("locked without a BPM")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"\" bpmLocked=\"true\"/>") << 0 << true << 0.;
        QTest::newRow("exact") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"128\" bpmExact=\"127.5\"/>") << 128
                               << false << 127.5;
        QTest::newRow("exact of another BPM")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"120\" bpmExact=\"90.5\"/>") << 120 << false << 120.;
        QTest::newRow("exact without a BPM")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"0\" bpmExact=\"90.5\"/>") << 0 << false << 0.;
        QTest::newRow("exact garbage") << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmExact=\"x\"/>")
                                       << 90 << false << 90.;
        QTest::newRow("exact not a number")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"90\" bpmExact=\"nan\"/>") << 90 << false << 90.;
        QTest::newRow("later element without them")
            << QByteArray("<Element_Data persistentID=\"1\" bpm=\"128\" bpmLocked=\"true\" bpmExact=\"127.5\"/>"
                          "<Element_Data persistentID=\"1\" bpm=\"128\"/>")
            << 128 << false << 128.;
    }
    void lockAndExactAttributesAreRead()
    {
        QFETCH(QByteArray, elements);
        QFETCH(int, bpm);
        QFETCH(bool, locked);
        QFETCH(double, exact);
        writeFile(path("hand.tgd"), "<TAGDESK version=\"100\">" + elements + "</TAGDESK>");
        load(path("hand.tgd"));
        const DBelement &read = librarySong(QStringLiteral("1"));
        QCOMPARE(read.bpm(), bpm);
        QCOMPARE(read.bpmLocked(), locked);
        QCOMPARE(read.bpmExact(), exact);
    }

    void emptyLibraryIsReadWithinLoadFile()
    {
        QVERIFY(window->writeLibrary(path("empty.tgd")));
        QCOMPARE(readFile(path("empty.tgd")), QByteArray("<TAGDESK version=\"100\"/>\n"));
        QSignalSpy done(window.get(), &Tagdesk::loadFileDone);
        window->loadFile(path("empty.tgd"));
        QCOMPARE(done.count(), 1);
        QVERIFY(!window->fileRead.loadingFile);
        QVERIFY(syncEnabled);
        QCOMPARE(window->libraryModel->rowCount(), 0);
    }

    void successfulWriteUpdatesStateAndSettings()
    {
        window->modified = true;
        QVERIFY(window->writeLibrary(path("state.tgd")));
        QVERIFY(!window->modified);
        QCOMPARE(QSettings().value("lastFile").toString(), path("state.tgd"));
        QCOMPARE(currentFileName, QFileInfo(path("state.tgd")).absoluteFilePath());
        QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync  (state.tgd)"));
    }

    void failedWriteChangesNothing()
    {
        writeFile(path("keep.tgd"), "old contents");
        QSettings().setValue("lastFile", path("keep.tgd"));
        window->modified = true;
        OutputCapture output;
        DialogAnswerer answerer;
        answerer.messageBox(QMessageBox::Ok);
        QVERIFY(!window->writeLibrary(path("no/such/dir/lib.tgd")));
        QCOMPARE(output.out(), QStringLiteral("QVX could not open writetest.gip\n"));
        // The user is told, with the reason, not only a line on standard output.
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Save"));
        QVERIFY2(answerer.seen[0].text.startsWith(
                     QStringLiteral("The library could not be saved to \"%1\": ").arg(path("no/such/dir/lib.tgd")))
                     && answerer.seen[0].text.contains(QStringLiteral("No such file or directory")),
                 qPrintable(answerer.seen[0].text));
        QVERIFY(window->modified);
        QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync"));
        QCOMPARE(QSettings().value("lastFile").toString(), path("keep.tgd"));
        QVERIFY(currentFileName.isEmpty());
        QCOMPARE(readFile(path("keep.tgd")), QByteArray("old contents"));
    }

    void handWrittenFileIsReadNodeByNode()
    {
        writeFile(path("hand.tgd"),
                  "<?xml version=\"1.0\"?>\n"
                  "<Library>\n"
                  " <!-- a comment -->\n"
                  " <Element_Data persistentID=\"7\" title=\"Old\" bpm=\"100\" iPhone=\"1\"/>\n"
                  " <Other attr=\"x\"><Element_Data persistentID=\"nested\"/></Other>\n"
                  " <element_data persistentID=\"case\"/>\n"
                  " <Element_Data persistentID=\"7\" title=\"New\" bpm=\"120\" iPhone=\"1\"/>\n"
                  " <Element_Data title=\"No ID\"/>\n"
                  " <?pi data?>\n"
                  "</Library>\n");
        OutputCapture output;
        load(path("hand.tgd"));
        QCOMPARE(output.out(),
                 QStringLiteral("QVX bug null element\n"
                                "Unknown element: Other\n"
                                "Unknown element: element_data\n"
                                "QVX bug null element\n"));
        QCOMPARE(SongStore::library().size(), size_t(2));
        const DBelement &seven = librarySong(QStringLiteral("7"));
        QCOMPARE(seven.text(SongField::Title), QStringLiteral("New"));
        QCOMPARE(seven.bpm(), 120);
        QCOMPARE(seven.text(SongField::Iphone), QStringLiteral("true"));
        const DBelement &noId = librarySong(QString());
        QCOMPARE(noId.text(SongField::Title), QStringLiteral("No ID"));
        QCOMPARE(noId.bpm(), 0);
        QCOMPARE(noId.text(SongField::Itunes), QStringLiteral("false"));
        QCOMPARE(window->libraryModel->rowCount(), 2);
    }

    // Values read from a file are named once, after the read, not a question per song.
    void outOfRangeBpmIsResetWithWarningWhenShown()
    {
        writeFile(path("range.tgd"),
                  "<TAGDESK version=\"100\"><Element_Data persistentID=\"1\" title=\"Wild\" bpm=\"250\"/>"
                  "<Element_Data persistentID=\"2\" title=\"Tame\" bpm=\"120\"/></TAGDESK>");
        DialogAnswerer answerer;
        answerer.messageBox(QMessageBox::Ok);
        OutputCapture output;
        load(path("range.tgd"));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Out of range"));
        QCOMPARE(answerer.seen[0].text,
                 QStringLiteral("1 song in \"range.tgd\" had a BPM outside 50-200, now none: Wild"));
        QCOMPARE(output.out(), answerer.seen[0].text + "\n");
        QCOMPARE(librarySong(QStringLiteral("1")).bpm(), 0);
        QCOMPARE(librarySong(QStringLiteral("2")).bpm(), 120);
    }

    void largeFileIsReadInBatchesOfTwenty()
    {
        QByteArray xml = "<TAGDESK version=\"100\">\n";
        for (int i = 0; i < 45; ++i)
            xml += " <Element_Data persistentID=\"" + QByteArray::number(1000 + i) + "\" title=\"Song "
                + QByteArray::number(i) + "\" bpm=\"120\"/>\n";
        xml += "</TAGDESK>\n";
        writeFile(path("batches.tgd"), xml);
        QSettings().setValue("lastFile", path("previous.tgd"));

        QSignalSpy done(window.get(), &Tagdesk::loadFileDone);
        window->loadFile(path("batches.tgd"));
        // The first batch runs inside loadFile; the rest once the event loop runs.
        QCOMPARE(window->libraryModel->rowCount(), 20);
        QVERIFY(window->fileRead.loadingFile);
        QVERIFY(!syncEnabled);
        QVERIFY(SongStore::library().inBulkChange());
        QVERIFY(!window->actionOpen_File->isEnabled());
        QVERIFY(!window->actionSave_File->isEnabled());
        QVERIFY(!window->actionNew_File->isEnabled());
        QVERIFY(window->actionDelete->isEnabled());
        QCOMPARE(QSettings().value("lastFile").toString(), path("batches.tgd"));
        QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync  (batches.tgd)"));
        // A second read while one is under way is ignored.
        window->loadFile(path("batches.tgd"));
        QCOMPARE(window->libraryModel->rowCount(), 20);

        QVERIFY(done.wait(10000));
        QCOMPARE(done.count(), 1);
        QCOMPARE(window->libraryModel->rowCount(), 45);
        QVERIFY(syncEnabled);
        QVERIFY(!window->fileRead.loadingFile);
        QVERIFY(!SongStore::library().inBulkChange());
        QVERIFY(window->actionOpen_File->isEnabled() && window->actionSave_File->isEnabled()
                && window->actionNew_File->isEnabled());
        QCOMPARE(cellText(window->libraryModel, 0, ColumnTitle), QStringLiteral("Song 0"));
    }

    void brokenFilesLeaveLibraryEmptyAndStateAlone_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("output");
        QTest::newRow("missing file") << QByteArray() << QString();
        QTest::newRow("not well-formed") << QByteArray("<TAGDESK>\n <Element_Data persistentID=\"1\">\n</TAGDESK>\n")
                                         << QStringLiteral(
                                                "DOMHandler problem: Opening and ending tag mismatch. Line,Col:3,10\n");
        QTest::newRow("empty file") << QByteArray("")
                                    << QStringLiteral("DOMHandler problem: Premature end of document. Line,Col:1,0\n");
    }
    void brokenFilesLeaveLibraryEmptyAndStateAlone()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, output);
        const QString fileName = path("broken.tgd");
        QFile::remove(fileName);
        if (!output.isEmpty())
            writeFile(fileName, contents);
        addSong(QStringLiteral("1"), QStringLiteral("Before"), QStringLiteral("120"));
        SongStore::library().setupRow("1");
        QSettings().setValue("lastFile", path("previous.tgd"));
        window->modified = true;

        OutputCapture capture;
        QSignalSpy done(window.get(), &Tagdesk::loadFileDone);
        window->loadFile(fileName);
        QCOMPARE(capture.out(), output);
        QVERIFY((SongStore::library().size() == 0));
        QCOMPARE(window->libraryModel->rowCount(), 0);
        QVERIFY(!window->fileRead.loadingFile);
        QVERIFY(!syncEnabled);
        QVERIFY(!window->modified);
        QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync"));
        QCOMPARE(QSettings().value("lastFile").toString(), path("previous.tgd"));
        QVERIFY(currentFileName.isEmpty());
        QVERIFY(!done.wait(50));
    }
};

VELMORA_TEST_MAIN(TestLibraryFile)
#include "tst_libraryfile.moc"
