#include "librarysongs.h"
#include "library/dbelement.h"
#include "app/tagdesk.h"
#include "testenvironment.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>

namespace {

constexpr int clickTempo = 126;
const QString persistentHex = QStringLiteral("8C1D2E3F40516273");

// A mono 16-bit WAV file of short, decaying 2 kHz clicks at the given tempo.
bool writeClickTrack(const QString &path, int tempo, int seconds)
{
    constexpr int rate = 44100;
    const int samples = rate * seconds;
    const int beat = rate * 60 / tempo;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2) << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (int i = 0; i < samples; ++i) {
        const int t = i % beat;
        const double click = t < rate / 50 ? std::exp(-t / 120.0) * std::sin(2 * M_PI * 2000 * t / rate) : 0.0;
        out << qint16(std::lround(click * 26000));
    }
    return out.status() == QDataStream::Ok;
}

bool writeItunesLibrary(const QString &location)
{
    const QString dir = QDir::homePath() + QStringLiteral("/Music/iTunes");
    QDir().mkpath(dir);
    QFile file(dir + QStringLiteral("/iTunes Music Library.xml"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                              "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                              "<plist version=\"1.0\">\n<dict>\n"
                              "\t<key>Major Version</key><integer>1</integer>\n"
                              "\t<key>Tracks</key>\n\t<dict>\n"
                              "\t\t<key>2001</key>\n\t\t<dict>\n"
                              "\t\t\t<key>Track ID</key><integer>2001</integer>\n"
                              "\t\t\t<key>Name</key><string>Click Track</string>\n"
                              "\t\t\t<key>Artist</key><string>Metronome</string>\n"
                              "\t\t\t<key>Kind</key><string>MPEG audio file</string>\n"
                              "\t\t\t<key>Persistent ID</key><string>%1</string>\n"
                              "\t\t\t<key>Location</key><string>%2</string>\n"
                              "\t\t</dict>\n\t</dict>\n</dict>\n</plist>\n")
                   .arg(persistentHex, location.toHtmlEscaped())
                   .toUtf8());
    return true;
}

} // namespace

// The real pcmdump and beatfind on a real MP3 named by an iTunes library.
class TestBeatFindEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString resources = qEnvironmentVariable("VELMORA_RESOURCES");
        for (const char *tool : {"pcmdump", "beatfind"}) {
            if (!QFileInfo(resources + QLatin1Char('/') + QLatin1String(tool)).isExecutable())
                QSKIP(qPrintable(QStringLiteral("%1 is not built in %2").arg(QLatin1String(tool), resources)));
        }
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty(), "ffmpeg is not installed");
        QVERIFY(work.isValid());
        // pcmdump writes its WAV files here, where the test can count them.
        QVERIFY(QDir(work.path()).mkpath(QStringLiteral("tmp")));
        qputenv("TMPDIR", QFile::encodeName(work.filePath(QStringLiteral("tmp"))));

        const QString wav = work.filePath(QStringLiteral("click.wav"));
        QVERIFY(writeClickTrack(wav, clickTempo, 30));
        song = work.filePath(QStringLiteral("click track.mp3"));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-nostdin", "-v", "error", "-y", "-i", wav, "-codec:a", "libmp3lame", "-b:a", "192k", song});
        QVERIFY(ffmpeg.waitForFinished(60000));
        QVERIFY2(ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0,
                 ffmpeg.readAllStandardError().constData());
        QFile::remove(wav);
    }

    void tempoOfAnImportedSong_data()
    {
        QTest::addColumn<QString>("location");
        const QString url = QUrl::fromLocalFile(song).toString(QUrl::FullyEncoded);
        QTest::newRow("file:///") << url;
        QTest::newRow("file://localhost/") << QString(url).insert(int(qstrlen("file://")), QLatin1String("localhost"));
    }
    void tempoOfAnImportedSong()
    {
        QFETCH(QString, location);
        QVERIFY(writeItunesLibrary(location));
        Tagdesk window;
        window.haveWarned = true;
        const QString resources = qEnvironmentVariable("VELMORA_RESOURCES");
        QCOMPARE(QFileInfo(window.converterPath), QFileInfo(resources + QStringLiteral("/pcmdump")));
        QCOMPARE(QFileInfo(window.analyserPath), QFileInfo(resources + QStringLiteral("/beatfind")));

        QSignalSpy imported(&window, &Tagdesk::loadItunesDone);
        window.from_iTunesSync();
        QVERIFY(imported.count() == 1 || imported.wait(20000));
        const std::string key = libraryKey(QString::number(qint64(persistentHex.toULongLong(nullptr, 16))));
        QVERIFY(SongStore::library().find(key));
        QCOMPARE(librarySong(QString::fromStdString(key)).text(SongField::Title), QStringLiteral("Click Track"));
        window.tableWidget->selectRow(window.libraryModel->rowOf(key));

        window.BeatFind();
        QVERIFY(QTest::qWaitFor([&] { return !window.run.analysisRunning; }, 120000));
        QCOMPARE(librarySong(QString::fromStdString(key)).bpm(), clickTempo);
        QCOMPARE(window.statusbar->currentMessage(), QStringLiteral("beatfind has completed"));
        QCOMPARE(QDir(work.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A song from a music folder, its library saved and reopened in a new
    // window: BeatFind finds the file by its kept location, with no import.
    void tempoOfAFolderSongInAReopenedLibrary()
    {
        QFile::remove(QDir::homePath() + QStringLiteral("/Music/iTunes/iTunes Music Library.xml"));
        const QString library = work.filePath(QStringLiteral("folder.tgd"));
        {
            Tagdesk window;
            QSignalSpy imported(&window, &Tagdesk::folderImportDone);
            window.importMusicPaths({song}, false);
            QVERIFY(imported.count() == 1 || imported.wait(20000));
            QCOMPARE(SongStore::library().size(), size_t(1));
            QCOMPARE(SongStore::library().tableMap().begin()->second.text(SongField::Title),
                     QStringLiteral("click track"));
            QVERIFY(window.writeLibrary(library));
        }
        Tagdesk window;
        window.haveWarned = true;
        QSignalSpy loaded(&window, &Tagdesk::loadFileDone);
        window.loadFile(library);
        QVERIFY(loaded.count() == 1 || loaded.wait(10000));
        const Song &read = *SongStore::library().tableMap().begin();
        QCOMPARE(QFileInfo(read.second.text(SongField::Location)), QFileInfo(song));
        window.tableWidget->selectRow(window.libraryModel->rowOf(read.first));

        QSignalSpy imports(&window, &Tagdesk::loadItunesDone);
        window.BeatFind();
        QVERIFY(QTest::qWaitFor([&] { return !window.run.analysisRunning; }, 120000));
        QCOMPARE(imports.count(), 0);
        QCOMPARE(SongStore::library().tableMap().begin()->second.bpm(), clickTempo);
        QCOMPARE(QDir(work.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

private:
    QTemporaryDir work;
    QString song;
};

VELMORA_TEST_MAIN(TestBeatFindEndToEnd)
#include "tst_beatfindendtoend.moc"
