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
    double bpm = 0;
    double alternative = 0;
};

// Reads the analyser's output. The BPM follows the "BPM: " rule of the run;
// an Alternative counts only beside a BPM, and only when it is a number whose
// whole part lies within 50 to 200, like the BPM.
AnalyserTempo analyserTempo(const QList<QByteArray> &pieces);

// A found tempo outside the range is doubled or halved into it when that
// lands inside; the level it came from becomes the Alternative.
AnalyserTempo foldIntoRange(const AnalyserTempo &tempo, const BpmRange &range);

// What the analyser found, moved into the range, as a song's exact tempo and
// whole Alternative (none when it comes to the same whole BPM as the tempo);
// nothing when it found no tempo. Whole BPMs are the nearest whole numbers
// (wholeBpm), so the double of 87.5 is the 175 an Alternative would name.
std::optional<BpmLevels> analysedLevels(const QList<QByteArray> &pieces, const BpmRange &range);
