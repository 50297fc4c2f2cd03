#pragma once

#include "onset_envelope.h"

#include <vector>

namespace beatfind {

constexpr double kMinBpm = 50.0;
constexpr double kMaxBpm = 200.0;

// The onset bands made comparable (slow trend removed, rectified, unit mean)
// and summed: one envelope whose peaks are the song's onsets. The cymbal
// bands alone (above 2.5 kHz) also get their own sum: hi-hats and rides
// mostly keep the beat or its subdivision, whatever the bass does.
struct RhythmSignal {
    double frameRate = 0.0;
    std::vector<float> combined;
    std::vector<float> cymbals;
};

RhythmSignal prepareRhythm(const OnsetEnvelope& onsets);

// Autocorrelation of the combined envelope up to four beats at the slowest tempo.
std::vector<double> rhythmAutocorrelation(const RhythmSignal& rhythm);

// Autocorrelation of the cymbal bands up to one beat at the slowest tempo.
std::vector<double> cymbalAutocorrelation(const RhythmSignal& rhythm);

// The tempo a listener taps, in BPM within [kMinBpm, kMaxBpm], or 0 when the
// song has no steady beat (silence, noise, too short).
double estimateTempo(const OnsetEnvelope& onsets);

} // namespace beatfind
