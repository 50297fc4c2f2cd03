#include "chromaanalyser.h"

#include <algorithm>
#include <cmath>

namespace beatfind {

namespace {

// Chords need no more than this; above it the stream is halved to stay cheap.
constexpr double kMaxRate = 16000.0;
constexpr double kWindowSeconds = 0.37;
constexpr std::size_t kHopsPerWindow = 8;
// Where chords sound; below it even long windows blur neighbouring semitones.
constexpr double kLowHz = 200.0;
constexpr double kHighHz = 3000.0;
// Bins further than this from a semitone belong to none.
constexpr double kSemitoneReach = 0.35;
constexpr double kLogGain = 1e5;

// The power of two that divides a rate to below kMaxRate.
int decimationFor(double sampleRate)
{
    int decimation = 1;
    while (sampleRate / decimation >= kMaxRate)
        decimation *= 2;
    return decimation;
}

std::size_t windowFor(double rate)
{
    // The power of two nearest the wanted length.
    const std::size_t size = std::size_t{1}
        << static_cast<int>(std::lround(std::log2(std::max(kWindowSeconds * rate, 2.0))));
    return std::max(kHopsPerWindow, size);
}

} // namespace

ChromaAnalyser::ChromaAnalyser(double sampleRate)
    : decimator(decimationFor(sampleRate)),
      rate(sampleRate / decimator.factor()),
      spectrum(windowFor(rate), windowFor(rate) / kHopsPerWindow)
{
    const double binHz = rate / static_cast<double>(spectrum.windowSize());
    for (std::size_t k = 1; k < spectrum.bins(); ++k) {
        const double hz = static_cast<double>(k) * binHz;
        if (hz < kLowHz || hz > kHighHz)
            continue;
        const double semitone = 12.0 * std::log2(hz / 440.0);
        const double nearest = std::round(semitone);
        const double distance = std::fabs(semitone - nearest);
        if (distance > kSemitoneReach)
            continue;
        const long pitchClass = static_cast<long>(nearest) % 12;
        bins.push_back(k);
        pitchClasses.push_back(static_cast<std::size_t>((pitchClass + 12) % 12));
        weights.push_back(static_cast<float>(1.0 - distance / kSemitoneReach));
    }
}

void ChromaAnalyser::push(float sample, std::vector<float> &frames)
{
    float decimated = 0.0f;
    if (!decimator.push(sample, decimated) || !spectrum.push(decimated))
        return;
    const std::vector<float> &magnitude = spectrum.magnitudes();
    float energy[kPitchClasses] = {};
    for (std::size_t i = 0; i < bins.size(); ++i)
        energy[pitchClasses[i]] += weights[i] * magnitude[bins[i]];
    for (float e : energy)
        frames.push_back(static_cast<float>(std::log1p(kLogGain * e)));
}

} // namespace beatfind
