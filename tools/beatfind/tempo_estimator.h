#pragma once

#include "onset_envelope.h"

#include <vector>

namespace beatfind {

constexpr double kMinBpm = 50.0;
constexpr double kMaxBpm = 200.0;

// The onset bands made comparable (slow trend removed, rectified, unit mean)
// and summed: one envelope whose peaks are the song's onsets.
struct RhythmSignal {
    double frameRate = 0.0;
    std::vector<float> combined;
};

RhythmSignal prepareRhythm(const OnsetEnvelope& onsets);

// Autocorrelation of the combined envelope up to four beats at the slowest tempo.
std::vector<double> rhythmAutocorrelation(const RhythmSignal& rhythm);

// The tempo a listener taps, in BPM within [kMinBpm, kMaxBpm], or 0 when the
// song has no steady beat (silence, noise, too short).
double estimateTempo(const OnsetEnvelope& onsets);

} // namespace beatfind
