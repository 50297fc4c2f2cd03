#include "benchsupport.h"
#include "app/tagdesk.h"
#include "library/songstore.h"
#include "library/dbelement.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QXmlStreamReader>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {
int figuresFd = STDOUT_FILENO;
}

TurnProbe::TurnProbe()
{
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, this, [this] { tick(); });
    restart();
    timer.start();
}

namespace {

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void keepLongest(std::array<qint64, 3> &longestNs, qint64 turn)
{
    for (qint64 &longest : longestNs) {
        if (turn > longest)
            std::swap(turn, longest);
    }
}

QString asMs(const std::array<qint64, 3> &longestNs)
{
    return QStringLiteral("%1, %2, %3 ms")
        .arg(longestNs[0] / 1000000)
        .arg(longestNs[1] / 1000000)
        .arg(longestNs[2] / 1000000);
}

} // namespace

void TurnProbe::restart()
{
    longestNs = {};
    longestCpuNs = {};
    sinceLast.start();
    cpuAtLast = threadCpuNs();
}

void TurnProbe::tick()
{
    keepLongest(longestNs, sinceLast.nsecsElapsed());
    const qint64 cpu = threadCpuNs();
    keepLongest(longestCpuNs, cpu - cpuAtLast);
    cpuAtLast = cpu;
    sinceLast.start();
}

QString TurnProbe::longestTurns() const
{
    return asMs(longestNs) + QStringLiteral(" (in CPU time %1)").arg(asMs(longestCpuNs));
}

long peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    }
    return -1;
}

void silenceStandardOutput()
{
    std::fflush(stdout);
    figuresFd = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

void printFigure(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (write(figuresFd, bytes.constData(), size_t(bytes.size())) < 0)
        std::perror("figures");
}

QString itunesLibraryPath() { return QDir::homePath() + QStringLiteral("/Music/iTunes/iTunes Music Library.xml"); }

bool haveItunesLibrary()
{
    if (QFile::exists(itunesLibraryPath()))
        return true;
    std::fprintf(stderr, "no iTunes library file at %s\n", qPrintable(itunesLibraryPath()));
    return false;
}

void showBenchWindow(Tagdesk &window)
{
    window.resize(1200, 800);
    window.show();
    QCoreApplication::processEvents();
}

qint64 bareReadMs(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? -1 : clock.elapsed();
}

qint64 runImport(Tagdesk &window)
{
    QEventLoop done;
    QObject::connect(&window, &Tagdesk::loadItunesDone, &done, &QEventLoop::quit);
    QElapsedTimer command;
    command.start();
    const bool finishedInside = [&] {
        bool emitted = false;
        const auto watch = QObject::connect(&window, &Tagdesk::loadItunesDone, [&] { emitted = true; });
        window.from_iTunesSync();
        QObject::disconnect(watch);
        return emitted;
    }();
    const qint64 commandMs = command.elapsed();
    if (!finishedInside)
        done.exec();
    return commandMs;
}

void emptyLibrary(Tagdesk &) { SongStore::library().clear(); }

qint64 resortMs(Tagdesk &window)
{
    LibraryModel *model = window.libraryModel;
    QElapsedTimer clock;
    clock.start();
    model->sort(model->sortColumn(), model->sortOrder());
    return clock.elapsed();
}
