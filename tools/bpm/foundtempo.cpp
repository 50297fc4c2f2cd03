#include "foundtempo.h"

#include "analysis/childoutput.h"

#include <QString>

namespace {

// The value of the last line that starts with the label and a blank.
QString lastValue(const QList<QByteArray> &pieces, const QByteArray &label)
{
    QString value;
    for (const QByteArray &piece : pieces) {
        const QByteArray line = withoutLineEnd(piece);
        if (line.startsWith(label))
            value = QString::fromLatin1(line.mid(label.size()));
    }
    return value;
}

bool within(float tempo, int low, int high)
{
    return tempo >= float(low) && tempo < float(high) + 1.0f;
}

} // namespace

FoundTempo foundTempo(const QList<QByteArray> &analyserPieces, int rangeLow, int rangeHigh)
{
    const QString bpmText = reportedBpm(analyserPieces);
    if (acceptedBpm(bpmText) == 0)
        return {};
    float bpm = bpmText.toFloat();
    const QString alternativeText = lastValue(analyserPieces, "Alternative: ");
    float alternative = acceptedBpm(alternativeText) ? alternativeText.toFloat() : 0.0f;
    if (rangeLow > 0 && !within(bpm, rangeLow, rangeHigh)) {
        const float moved = bpm < float(rangeLow) ? bpm * 2 : bpm / 2;
        if (within(moved, rangeLow, rangeHigh)) {
            alternative = bpm;
            bpm = moved;
        }
    }
    FoundTempo found{int(bpm), int(alternative)};
    // An alternative that comes to the same whole BPM offers no choice.
    if (found.alternative == found.bpm)
        found.alternative = 0;
    return found;
}
