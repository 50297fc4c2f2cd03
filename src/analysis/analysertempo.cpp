#include "analysis/analysertempo.h"
#include "analysis/childoutput.h"

namespace {

// Whether a tempo's whole part lies within the range, judged before any
// truncation so that no value is converted out of the int range.
bool wholePartWithin(float tempo, const BpmRange &range)
{
    return tempo >= float(range.low) && tempo < float(range.high) + 1.0f;
}

} // namespace

AnalyserTempo analyserTempo(const QList<QByteArray> &pieces)
{
    AnalyserTempo tempo;
    const QString bpmText = reportedBpm(pieces);
    if (acceptedBpm(bpmText) == 0)
        return tempo;
    tempo.bpm = bpmText.toFloat();
    const QString alternativeText = reportedAlternative(pieces);
    if (acceptedBpm(alternativeText) != 0)
        tempo.alternative = alternativeText.toFloat();
    return tempo;
}

AnalyserTempo foldIntoRange(const AnalyserTempo &tempo, const BpmRange &range)
{
    if (tempo.bpm == 0 || wholePartWithin(tempo.bpm, range))
        return tempo;
    const float moved = tempo.bpm < float(range.low) ? tempo.bpm * 2 : tempo.bpm / 2;
    if (!wholePartWithin(moved, range))
        return tempo;
    return {moved, tempo.bpm};
}

std::optional<BpmLevels> analysedLevels(const QList<QByteArray> &pieces, const BpmRange &range)
{
    const AnalyserTempo tempo = foldIntoRange(analyserTempo(pieces), range);
    if (tempo.bpm == 0)
        return std::nullopt;
    const int bpm = static_cast<int>(tempo.bpm);
    const int alternative = static_cast<int>(tempo.alternative);
    // An Alternative that comes to the same whole BPM offers no choice.
    return BpmLevels{bpm, alternative == bpm ? 0 : alternative};
}
