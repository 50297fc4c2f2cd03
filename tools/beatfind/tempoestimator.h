#pragma once

#include "onsetenvelope.h"

#include <vector>

namespace beatfind {

constexpr double kMinBpm = 50.0;
constexpr double kMaxBpm = 200.0;

// The onset bands made comparable (slow trend removed, rectified, unit mean)
// and summed: one envelope whose peaks are the song's onsets. The cymbal
// bands alone (above 2.5 kHz) also get their own sum: hi-hats and rides
// mostly keep the beat or its subdivision, whatever the bass does. And the
// kick (below 150 Hz) and snare (400-2500 Hz) bands, each where it rises more
// than the other: a kick's attack also rises in the snare bands, a snare's
// body in the kick band, and the backbeat is told by which one leads.
struct RhythmSignal
{
    double frameRate = 0.0;
    std::vector<float> combined;
    std::vector<float> cymbals;
    std::vector<float> kick;
    std::vector<float> snare;
};

RhythmSignal prepareRhythm(const OnsetEnvelope &onsets);

struct LevelEvidence;

// The song's strongest pulse and those of its metrical relatives (x1/4 to x4)
// that lie in the range, with what the song says about each as the beat;
// empty when the song has no steady pulse.
std::vector<LevelEvidence> beatCandidates(const OnsetEnvelope &onsets, const RhythmSignal &rhythm);

// The tempo a listener taps, in BPM within [kMinBpm, kMaxBpm], or 0 when the
// song has no steady beat (silence, noise, too short); and, when the song
// leaves the metrical level in doubt, the tempo of the runner-up level (else 0).
struct TempoEstimate
{
    double bpm = 0.0;
    double alternative = 0.0;
};

TempoEstimate estimateTempo(const OnsetEnvelope &onsets);

} // namespace beatfind
