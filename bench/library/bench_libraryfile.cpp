// Reads and writes a generated library file of N songs with the real window
// shown (offscreen) and prints: read time (loadFile to loadFileDone), the
// longest event-loop turn during the read, peak memory, Save time, and one
// bare QXmlStreamReader pass over the same file as the floor.
#include "app/tagdesk.h"
#include "library/dbelement.h"
#include "peakmemory.h"
#include "turnmonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>

namespace {

void generateLibrary(const QString &path, int songs)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("<TAGDESK version=\"100\">\n");
    for (int i = 0; i < songs; ++i) {
        const QByteArray n = QByteArray::number(i);
        file.write(" <Element_Data persistentID=\"" + QByteArray::number(-4611686018427387904LL + i * 7919LL)
                   + "\" title=\"Song title number " + n + "\" bpm=\"" + QByteArray::number(50 + i % 151)
                   + "\" artist=\"Artist " + QByteArray::number(i % 997) + "\" albumTitle=\"Album "
                   + QByteArray::number(i % 4999) + "\" genre=\"Genre " + QByteArray::number(i % 23)
                   + "\" albumArtist=\"Album Artist " + QByteArray::number(i % 499) + "\" composer=\"Composer "
                   + QByteArray::number(i % 331) + "\" iTunes=\"true\" iPhone=\"" + (i % 3 ? "true" : "false")
                   + "\"/>\n");
    }
    file.write("</TAGDESK>\n");
}

double streamFloorSeconds(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&file);
    qint64 attributes = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            attributes += reader.attributes().size();
    }
    return attributes > 0 ? timer.nsecsElapsed() / 1e9 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int songs = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.tgd"));
    generateLibrary(path, songs);
    const double floor = streamFloorSeconds(path);

    Tagdesk window;
    window.show();
    QApplication::processEvents();
    TurnMonitor turns;
    QSignalSpy done(&window, &Tagdesk::loadFileDone);
    QElapsedTimer timer;
    timer.start();
    window.loadFile(path);
    const double loadFileCallMs = timer.nsecsElapsed() / 1e6;
    while (done.isEmpty())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    // The turn that completed the read (and re-sorted the table) counts once
    // the probe has fired after it.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 20)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double longestTurn = turns.longest();
    const double longestTurnCpu = turns.longestCpu();
    const int rows = window.libraryModel->rowCount();

    timer.restart();
    window.writeLibrary(dir.filePath(QStringLiteral("saved.tgd")));
    const double saveSeconds = timer.nsecsElapsed() / 1e9;

    std::printf("library file, %d songs (%d rows shown, %.1f MB file)\n", songs, rows, QFileInfo(path).size() / 1e6);
    std::printf("  read (loadFile to loadFileDone)  %8.3f s   floor (one QXmlStreamReader pass) %.3f s\n", readSeconds,
                floor);
    std::printf("  longest event-loop turn          %8.1f ms   (the loadFile call, with its paint breaks: %.0f ms)\n",
                longestTurn, loadFileCallMs);
    std::printf("  longest turn in CPU time         %8.1f ms   (without waits for a core on a busy machine)\n",
                longestTurnCpu);
    std::printf("  Save File                        %8.3f s\n", saveSeconds);
    std::printf("  peak memory                      %8.0f MB\n", peakMemoryMB());
    return 0;
}
