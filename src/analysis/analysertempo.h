#pragma once

#include "library/bpmlevel.h"
#include "library/bpmrange.h"

#include <QByteArray>
#include <QList>

// The tempo the analyser found and, when it was unsure of the level, the
// runner-up it named on an "Alternative: " line; 0 stands for none. Both
// are kept as printed, so moving a tempo by an octave loses no fraction.
struct AnalyserTempo
{
    float bpm = 0;
    float alternative = 0;
};

// Reads the analyser's output. The BPM follows the "BPM: " rule of the run;
// an Alternative counts only beside a BPM, and only when it is a number whose
// whole part lies within 50 to 200, like the BPM.
AnalyserTempo analyserTempo(const QList<QByteArray> &pieces);

// A found tempo outside the range is doubled or halved into it when that
// lands inside; the level it came from becomes the Alternative.
AnalyserTempo foldIntoRange(const AnalyserTempo &tempo, const BpmRange &range);

// What the analyser found, moved into the range, as a song's whole BPM and
// Alternative (none when it comes to the same whole BPM); nothing when it
// found no tempo.
std::optional<BpmLevels> analysedLevels(const QList<QByteArray> &pieces, const BpmRange &range);
