#pragma once

#include "decimator.h"
#include "slidingspectrum.h"

#include <cstddef>
#include <vector>

namespace beatfind {

// Pitch-class energy of a stream, in frames of about 46 ms from a window of
// about 0.37 s: long enough to tell semitones apart down to 200 Hz, which the
// onset analysis's short frames cannot, so that chord changes show.
class ChromaAnalyser
{
public:
    static constexpr std::size_t kPitchClasses = 12;

    explicit ChromaAnalyser(double sampleRate);

    double frameRate() const { return rate / static_cast<double>(spectrum.hop()); }

    // Appends kPitchClasses values to frames for every frame completed.
    void push(float sample, std::vector<float> &frames);

private:
    Decimator decimator;
    double rate = 0.0; // of the decimated stream
    SlidingSpectrum spectrum;
    std::vector<std::size_t> bins; // bins near a semitone of the chord range
    std::vector<std::size_t> pitchClasses; // of each of those bins
    std::vector<float> weights; // the nearer the semitone, the more
};

} // namespace beatfind
