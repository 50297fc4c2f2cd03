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

using Button = QMessageBox::StandardButton;
Q_DECLARE_METATYPE(QMessageBox::StandardButton)

class TestFileCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Tagdesk> window;

    QString path(const QString &name) const { return dir.filePath(name); }

    void addShownSong(const QString &id, const QString &title)
    {
        editSong(id, [&](DBelement &record) {
            record.setPersistentID(id);
            record.setTitle(title);
            record.setBPM(QStringLiteral("120"));
        });
        SongStore::library().setupRow(libraryKey(id));
    }

    void writeLibraryFile(const QString &fileName, const QString &title)
    {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<TAGDESK version=\"100\"><Element_Data persistentID=\"9\" title=\"" + title.toUtf8()
                   + "\" bpm=\"99\"/></TAGDESK>");
    }

private slots:
    void init()
    {
        QSettings().clear();
        currentFileName.clear();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        QDir::setCurrent(dir.path());
        window = std::make_unique<Tagdesk>();
        window->setWindowTitle(QStringLiteral("VelmoraSync"));
    }
    void cleanup() { window.reset(); }

    void saveNameRules_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("existing"); // "file" or "dir" at the completed name, or ""
        QTest::addColumn<Button>("answer"); // to the program's own question, if it asks
        QTest::addColumn<QString>("question"); // title of the box the program shows, or ""
        QTest::addColumn<QString>("written"); // the file that must hold the library, or ""
        QTest::newRow("suffix added") << "mylib"
                                      << "" << Button::NoButton << ""
                                      << "mylib.tgd";
        QTest::newRow("completed name exists, overwrite") << "mylib"
                                                          << "file" << Button::Ok << "File exists"
                                                          << "mylib.tgd";
        QTest::newRow("completed name exists, cancel") << "mylib"
                                                       << "file" << Button::Cancel << "File exists"
                                                       << "";
        QTest::newRow("completed name is a directory") << "mylib"
                                                       << "dir" << Button::Ok << "Directory selected"
                                                       << "";
        QTest::newRow("any suffix kept, no question") << "mylib.xml"
                                                      << "" << Button::NoButton << ""
                                                      << "mylib.xml";
    }
    void saveNameRules()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, existing);
        QFETCH(Button, answer);
        QFETCH(QString, question);
        QFETCH(QString, written);
        const QString completed = QFileInfo(chosen).suffix().isEmpty() ? chosen + ".tgd" : chosen;
        if (existing == "file") {
            QFile file(path(completed));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old");
        } else if (existing == "dir") {
            QVERIFY(QDir().mkpath(path(completed)));
        }
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        window->modified = true;

        DialogAnswerer answerer;
        answerer.fileDialog(path(chosen));
        if (!question.isEmpty())
            answerer.messageBox(answer);
        window->saveFile();
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(answerer.seen.size(), question.isEmpty() ? 1 : 2);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Save to File"));
        if (!question.isEmpty()) {
            QCOMPARE(answerer.seen[1].title, question);
            const QString expected = question == "File exists"
                ? QStringLiteral("The file \"%1\" already exists.\nDo you want to overwrite it?").arg(path(completed))
                : QStringLiteral("File \"%1\" is a directory").arg(path(completed));
            QCOMPARE(answerer.seen[1].text, expected);
        }
        if (written.isEmpty()) {
            QVERIFY(window->modified);
            QVERIFY(currentFileName.isEmpty());
            if (existing == "file") {
                QFile file(path(completed));
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), QByteArray("old"));
            }
        } else {
            QVERIFY(!window->modified);
            QCOMPARE(currentFileName, path(written));
            QVERIFY(QFileInfo(path(written)).isFile());
            QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync  (%1)").arg(written));
        }
    }

    void saveDialogStartsAtLastFileEvenAfterNewFile()
    {
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        QDir().mkpath(path("sub"));
        QVERIFY(window->writeLibrary(path("sub/lib.tgd")));
        window->newFile();
        QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync"));
        DialogAnswerer answerer;
        answerer.fileDialog(QString());
        window->saveFile();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].text, path("sub"));
    }

    void newFileQuestion_data()
    {
        QTest::addColumn<bool>("withRows");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<Button>>("answers"); // save question, then Save dialog cancelled on Yes
        QTest::addColumn<bool>("emptied");
        QTest::newRow("unmodified: no question") << true << false << QList<Button>() << true;
        QTest::newRow("modified but empty table: no question") << false << true << QList<Button>() << true;
        QTest::newRow("yes, then save dialog cancelled") << true << true << QList<Button>({Button::Yes}) << true;
        QTest::newRow("no") << true << true << QList<Button>({Button::No}) << true;
        QTest::newRow("cancel") << true << true << QList<Button>({Button::Cancel}) << false;
    }
    void newFileQuestion()
    {
        QFETCH(bool, withRows);
        QFETCH(bool, modified);
        QFETCH(QList<Button>, answers);
        QFETCH(bool, emptied);
        if (withRows) {
            addShownSong(QStringLiteral("1"), QStringLiteral("One"));
            addShownSong(QStringLiteral("2"), QStringLiteral("Two"));
        }
        window->modified = modified;
        window->setWindowTitle(QStringLiteral("VelmoraSync  (x.tgd)"));
        DialogAnswerer answerer;
        for (Button answer : answers) {
            answerer.messageBox(answer);
            if (answer == Button::Yes)
                answerer.fileDialog(QString());
        }
        window->newFile();
        QCOMPARE(answerer.pending(), 0);
        if (!answers.isEmpty()) {
            QCOMPARE(answerer.seen[0].title, QStringLiteral("Save"));
            QCOMPARE(answerer.seen[0].text, QStringLiteral("Do you want to Save before loading new file?"));
        }
        if (emptied) {
            QVERIFY((SongStore::library().size() == 0));
            QCOMPARE(window->libraryModel->rowCount(), 0);
            QVERIFY(!window->modified);
            QCOMPARE(window->windowTitle(), QStringLiteral("VelmoraSync"));
            QVERIFY(!SongStore::library().inBulkChange());
        } else {
            QCOMPARE(window->libraryModel->rowCount(), 2);
            QVERIFY(window->modified);
        }
    }

    void openFileQuestion_data()
    {
        QTest::addColumn<Button>("answer");
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<bool>("opened");
        QTest::newRow("no, then a file") << Button::No << true << true;
        QTest::newRow("no, then dialog cancelled") << Button::No << false << false;
        QTest::newRow("cancel") << Button::Cancel << false << false;
    }
    void openFileQuestion()
    {
        QFETCH(Button, answer);
        QFETCH(bool, chooseFile);
        QFETCH(bool, opened);
        writeLibraryFile(path("other.tgd"), QStringLiteral("From file"));
        addShownSong(QStringLiteral("1"), QStringLiteral("Current"));
        window->modified = true;
        DialogAnswerer answerer;
        answerer.messageBox(answer);
        if (answer != Button::Cancel)
            answerer.fileDialog(chooseFile ? path("other.tgd") : QString());
        OutputCapture output;
        QSignalSpy done(window.get(), &Tagdesk::loadFileDone);
        window->openFile();
        QVERIFY(output.out().startsWith(QStringLiteral("openFile pressed\n")));
        QCOMPARE(answerer.pending(), 0);
        if (answer != Button::Cancel) {
            QCOMPARE(answerer.seen[1].title, QStringLiteral("Open File"));
            QCOMPARE(answerer.seen[1].text, dir.path());
        }
        if (opened) {
            QVERIFY(done.count() == 1 || done.wait(5000));
            QCOMPARE(window->libraryModel->rowCount(), 1);
            QCOMPARE(cellText(window->libraryModel, 0, ColumnTitle), QStringLiteral("From file"));
            QVERIFY(!window->modified);
            QCOMPARE(currentFileName, path("other.tgd"));
        } else {
            QCOMPARE(cellText(window->libraryModel, 0, ColumnTitle), QStringLiteral("Current"));
            QVERIFY(window->modified);
        }
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<Button>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("stderrText");
        QTest::newRow("unmodified closes at once") << false << Button::NoButton << true << "";
        QTest::newRow("yes, save dialog cancelled: closes anyway")
            << true << Button::Yes << true << "save dialog needed\n";
        QTest::newRow("no") << true << Button::No << true << "";
        QTest::newRow("cancel keeps the window") << true << Button::Cancel << false << "";
    }
    void closeQuestion()
    {
        QFETCH(bool, modified);
        QFETCH(Button, answer);
        QFETCH(bool, closes);
        QFETCH(QString, stderrText);
        addShownSong(QStringLiteral("1"), QStringLiteral("Song"));
        window->show();
        window->modified = modified;
        DialogAnswerer answerer;
        if (answer != Button::NoButton)
            answerer.messageBox(answer);
        if (answer == Button::Yes)
            answerer.fileDialog(QString());
        OutputCapture output;
        QCOMPARE(window->close(), closes);
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(output.err(), stderrText);
        if (answer != Button::NoButton)
            QCOMPARE(answerer.seen[0].text, QStringLiteral("Do you want to Save before quiting?"));
        QCOMPARE(window->isVisible(), !closes);
    }
};

VELMORA_TEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
