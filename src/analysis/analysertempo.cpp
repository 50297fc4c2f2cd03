#include "analysis/analysertempo.h"
#include "analysis/childoutput.h"

namespace {

// Whether a tempo's whole part lies within the range, judged before any
// truncation so that no value is converted out of the int range.
bool wholePartWithin(double tempo, const BpmRange &range) { return tempo >= range.low && tempo < range.high + 1.0; }

} // namespace

AnalyserTempo analyserTempo(const QList<QByteArray> &pieces)
{
    AnalyserTempo tempo;
    const QString bpmText = reportedBpm(pieces);
    if (acceptedBpm(bpmText) == 0)
        return tempo;
    tempo.bpm = bpmText.toDouble();
    const QString alternativeText = reportedAlternative(pieces);
    if (acceptedBpm(alternativeText) != 0)
        tempo.alternative = alternativeText.toDouble();
    return tempo;
}

AnalyserTempo foldIntoRange(const AnalyserTempo &tempo, const BpmRange &range)
{
    if (tempo.bpm == 0 || wholePartWithin(tempo.bpm, range))
        return tempo;
    const double moved = tempo.bpm < range.low ? tempo.bpm * 2 : tempo.bpm / 2;
    if (!wholePartWithin(moved, range))
        return tempo;
    return {moved, tempo.bpm};
}

std::optional<BpmLevels> analysedLevels(const QList<QByteArray> &pieces, const BpmRange &range)
{
    const AnalyserTempo tempo = foldIntoRange(analyserTempo(pieces), range);
    if (tempo.bpm == 0)
        return std::nullopt;
    const int alternative = wholeBpm(tempo.alternative);
    // An Alternative that comes to the same whole BPM offers no choice.
    return BpmLevels{tempo.bpm, alternative == wholeBpm(tempo.bpm) ? 0 : alternative};
}
