#include "librarysongs.h"
#include "audiofixtures.h"
#include "library/dbelement.h"
#include "runfixture.h"
#include "testenvironment.h"

#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace AudioFixtures;

namespace {

QAction *editMenuAction(Tagdesk &window, const QString &text)
{
    for (QAction *action : window.menuEdit->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

const QString writeCommand = QStringLiteral("Write BPM to Files");
const QString afterBeatFindCommand = QStringLiteral("Write BPM to Files after BeatFind");

} // namespace

class TestWriteTags : public QObject
{
    Q_OBJECT

    QTemporaryDir music;

    QString song(const QString &name, const QStringList &options = {"-id3v2_version", "3"})
    {
        const QString path = music.filePath(name);
        return make(path, options + QStringList{"-metadata", "title=" + name}) ? path : QString();
    }

private slots:
    void cleanup()
    {
        QSettings().remove(QStringLiteral("writeBpmAfterBeatFind"));
        SongStore::library().clear();
    }

    // The two commands stand together in the Edit menu; the second is a
    // setting.
    void commandsStandTogetherInTheEditMenu()
    {
        RunFixture fixture;
        const QList<QAction *> actions = fixture.window->menuEdit->actions();
        const qsizetype write = actions.indexOf(editMenuAction(*fixture.window, writeCommand));
        QVERIFY(write >= 0 && write + 1 < actions.size());
        QAction *after = actions.at(write + 1);
        QCOMPARE(after->text(), afterBeatFindCommand);
        QVERIFY(after->isCheckable());
        QVERIFY(!after->isChecked());
        after->trigger();
        // Remembered for the next program run.
        RunFixture next;
        QVERIFY(editMenuAction(*next.window, afterBeatFindCommand)->isChecked());
    }

    // Each selected song with a file and a BPM is written; every file that
    // could not be written gets a message and is counted in the summary.
    void writeBpmToFilesCommand()
    {
        RunFixture fixture;
        const QString first = song("first.mp3");
        const QString second = song("second.flac", {});
        const QString guarded = song("guarded.mp3");
        const QString readOnly = song("readonly.mp3");
        const QString unselected = song("unselected.mp3");
        QVERIFY(::chmod(QFile::encodeName(readOnly).constData(), 0444) == 0);
        fixture.addSong("1", "First", "//localhost" + first, [](DBelement &record) { record.setBPM("120"); });
        fixture.addSong("2", "Second", second, [](DBelement &record) { record.setBPM("130"); });
        fixture.addSong("3", "Guarded", guarded, [](DBelement &record) { record.isProtected = true; });
        fixture.addSong("4", "Gone", music.filePath("gone.mp3"));
        fixture.addSong("5", "Read-only", readOnly);
        fixture.addSong("6", "No file", QString());
        fixture.addSong("7", "No BPM", first, [](DBelement &record) { record.setBPM("0"); });
        fixture.addSong("8", "Unselected", unselected);
        fixture.select({"1", "2", "3", "4", "5", "6", "7"});
        const QByteArray untouched = contents(unselected);
        const QByteArray guardedBefore = contents(guarded);
        const QByteArray readOnlyBefore = contents(readOnly);

        QAction *command = editMenuAction(*fixture.window, writeCommand);
        QVERIFY(command);
        command->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(fixture.messages.value(fixture.messages.size() - 1),
                                  QStringLiteral("BPM written to 2 files, 3 could not be written"), 20000);

        QStringList failures = fixture.messages.mid(0, fixture.messages.size() - 1);
        failures.sort();
        QCOMPARE(failures,
                 QStringList({"BPM not written to Gone: the file is gone",
                              "BPM not written to Guarded: it is a protected song",
                              "BPM not written to Read-only: the file is read-only"}));
        QCOMPARE(probe(first).value("tbpm"), QStringLiteral("120"));
        QCOMPARE(probe(second).value("bpm"), QStringLiteral("130"));
        QCOMPARE(contents(unselected), untouched);
        QCOMPARE(contents(guarded), guardedBefore);
        QCOMPARE(contents(readOnly), readOnlyBefore);
    }

    void afterBeatFind_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void afterBeatFind()
    {
        QFETCH(bool, on);
        RunFixture fixture;
        fixture.standIns.setAnalyser(QStringLiteral("echo 'BPM: 128'\n"));
        editMenuAction(*fixture.window, afterBeatFindCommand)->setChecked(on);
        const QString file = song(QStringLiteral("found%1.mp3").arg(on));
        const QByteArray before = contents(file);
        fixture.addSong("1", "Found", file);
        fixture.select({"1"});

        QVERIFY(fixture.runToEnd());
        QCOMPARE(librarySong("1").bpm(), 128);
        if (on) {
            QTRY_VERIFY_WITH_TIMEOUT(
                fixture.messages.contains(QStringLiteral("BPM written to 1 files, 0 could not be written")), 20000);
            QCOMPARE(probe(file).value("tbpm"), QStringLiteral("128"));
        } else {
            QVERIFY(!fixture.window->tagWrites.isBusy());
            QCOMPARE(contents(file), before);
        }
    }
};

VELMORA_TEST_MAIN(TestWriteTags)
#include "tst_writetags.moc"
