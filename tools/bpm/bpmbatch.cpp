#include "bpmbatch.h"

#include "analysis/analysertempo.h"
#include "analysis/analysisprograms.h"
#include "analysis/childoutput.h"
#include "analysis/runprogress.h"
#include "tags/bpmtagwriter.h"
#include "resultline.h"
#include "taggedbpm.h"

#include <cstdio>
#include <unistd.h>

namespace {

void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

BpmBatch::BpmBatch(const BpmOptions &options, QObject *parent)
    : QObject(parent), options(options), progressOnTerminal(::isatty(STDERR_FILENO) == 1)
{
    pool.converterPath = defaultConverterPath();
    pool.analyserPath = defaultAnalyserPath();
    connect(&pool, &AnalysisPool::released, this, &BpmBatch::release);
    connect(&pool, &AnalysisPool::progressed, this, &BpmBatch::showProgress);
    connect(&pool, &AnalysisPool::finished, this, [this] {
        clearProgress();
        emit finished();
    });
}

void BpmBatch::start()
{
    entries = batchEntries(options.paths);
    if (options.csv)
        printLine(stdout, csvHeader(options.skipTagged));
    pool.start(int(entries.size()), options.jobs, [this](int position) {
        BatchEntry &entry = entries[position];
        if (entry.problem.isEmpty())
            entry.problem = fileProblem(entry.path);
        if (!entry.problem.isEmpty())
            return QString();
        if (options.skipTagged)
            entry.taggedBpm = taggedBpm(entry.path);
        return entry.taggedBpm == 0 ? entry.path : QString();
    });
}

void BpmBatch::abort()
{
    pool.abort();
    clearProgress();
}

void BpmBatch::release(int position, const SongJobResult &result)
{
    const BatchEntry &entry = entries.at(position);
    switch (result.outcome) {
    case SongJobResult::NotStarted:
        if (entry.taggedBpm == 0) {
            fail(entry.path, entry.problem);
            return;
        }
        // The tag's own value, as it is: there is nothing to write back.
        clearProgress();
        printLine(stdout, taggedResultLine(entry.taggedBpm, entry.path, options.csv));
        return;
    case SongJobResult::NoRoom:
    case SongJobResult::Failed:
        fail(entry.path, result.reason);
        return;
    case SongJobResult::UnsupportedFormat:
        fail(entry.path, QStringLiteral("cannot be decoded: ") + result.reason);
        return;
    case SongJobResult::Analysed:
        break;
    }
    // The whole BPM and Alternative as the window would keep them; without
    // --range every tempo the analyser may report already lies in 50-200.
    const BpmRange range = options.rangeLow > 0 ? BpmRange{options.rangeLow, options.rangeHigh} : BpmRange();
    const std::optional<BpmLevels> levels = analysedLevels(result.analyserPieces, range);
    if (!levels) {
        fail(entry.path, QStringLiteral("no tempo found"));
        return;
    }
    const int bpm = levels->bpm();
    const int alternative = levels->alternative;
    clearProgress();
    printLine(stdout, resultLine(bpm, alternative, entry.path, options.csv));
    if (options.writeTags) {
        const BpmWriteResult written = writeBpmTag(entry.path, bpm);
        if (!written.written())
            fail(entry.path, QStringLiteral("BPM tag not written: ") + written.reason);
    }
}

void BpmBatch::fail(const QString &path, const QString &reason)
{
    ++failures;
    clearProgress();
    printLine(stderr, QStringLiteral("velmora-bpm: %1: %2").arg(shownPath(path), reason));
}

void BpmBatch::showProgress()
{
    if (!progressOnTerminal || !pool.isRunning())
        return;
    constexpr int width = 30;
    const int done = pool.releasedCount();
    const int total = qMax(1, pool.count());
    const int filled = done * width / total;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
    const QString line = QStringLiteral("\r[%1] %2").arg(bar, progressText(done, pool.count(), pool.secondsLeft()));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
    progressShown = true;
}

void BpmBatch::clearProgress()
{
    if (!progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown = false;
}
