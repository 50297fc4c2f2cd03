#include "harmonicrhythm.h"

#include "periodicity.h"
#include "tempoestimator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace beatfind {

namespace {

constexpr std::size_t kClasses = OnsetEnvelope::kPitchClasses;
using Chroma = std::array<double, kClasses>;
// Each side of a moment compared: short enough for a chord per beat at the
// fastest tempo to show, long enough to average over passing notes.
constexpr double kSideSeconds = 0.6;
// Lags up to two bars of four at the slowest tempo.
constexpr double kLongestLagBeats = 8.0;
// Mean spread of a frame's pitch-class log energies relative to their mean:
// drums alone stay below the first, pitched music lies above the second.
constexpr double kUnpitchedSpread = 0.05;
constexpr double kPitchedSpread = 0.10;

// Correlation of two chroma vectors with their means removed, so that drums,
// which add about the same to every pitch class, drop out.
double correlation(const Chroma &a, const Chroma &b)
{
    double meanA = 0.0, meanB = 0.0;
    for (std::size_t c = 0; c < kClasses; ++c) {
        meanA += a[c];
        meanB += b[c];
    }
    meanA /= kClasses;
    meanB /= kClasses;
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t c = 0; c < kClasses; ++c) {
        ab += (a[c] - meanA) * (b[c] - meanB);
        aa += (a[c] - meanA) * (a[c] - meanA);
        bb += (b[c] - meanB) * (b[c] - meanB);
    }
    return aa > 1e-12 && bb > 1e-12 ? ab / std::sqrt(aa * bb) : 1.0;
}

std::vector<float> chordNovelty(const OnsetEnvelope &onsets)
{
    const std::size_t frames = onsets.chroma.size() / kClasses;
    const std::size_t side = static_cast<std::size_t>(std::lround(kSideSeconds * onsets.chromaFrameRate));
    std::vector<float> novelty(frames, 0.0f);
    if (side == 0 || frames < 2 * side)
        return novelty;
    // Running sums make each side's total one subtraction.
    std::vector<Chroma> prefix(frames + 1, Chroma{});
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < kClasses; ++c)
            prefix[f + 1][c] = prefix[f][c] + onsets.chroma[f * kClasses + c];
    for (std::size_t t = side; t + side <= frames; ++t) {
        Chroma before{}, after{};
        for (std::size_t c = 0; c < kClasses; ++c) {
            before[c] = prefix[t][c] - prefix[t - side][c];
            after[c] = prefix[t + side][c] - prefix[t][c];
        }
        novelty[t] = static_cast<float>(1.0 - correlation(before, after));
    }
    return novelty;
}

double pitchedness(const OnsetEnvelope &onsets)
{
    const std::size_t frames = onsets.chroma.size() / kClasses;
    if (frames == 0)
        return 0.0;
    double spreadSum = 0.0;
    for (std::size_t f = 0; f < frames; ++f) {
        const float *chroma = &onsets.chroma[f * kClasses];
        double mean = 0.0, variance = 0.0;
        for (std::size_t c = 0; c < kClasses; ++c)
            mean += chroma[c];
        mean /= kClasses;
        for (std::size_t c = 0; c < kClasses; ++c)
            variance += (chroma[c] - mean) * (chroma[c] - mean);
        if (mean > 0.0)
            spreadSum += std::sqrt(variance / kClasses) / mean;
    }
    const double spread = spreadSum / static_cast<double>(frames);
    return std::clamp((spread - kUnpitchedSpread) / (kPitchedSpread - kUnpitchedSpread), 0.0, 1.0);
}

} // namespace

HarmonicRhythm harmonicRhythm(const OnsetEnvelope &onsets)
{
    HarmonicRhythm harmony;
    harmony.frameRate = onsets.chromaFrameRate;
    harmony.pitchedness = pitchedness(onsets);
    const double longestLag = kLongestLagBeats * 60.0 / kMinBpm * harmony.frameRate;
    harmony.autocorrelation = autocorrelation(chordNovelty(onsets), static_cast<std::size_t>(longestLag) + 2);
    return harmony;
}

double barEvidence(const HarmonicRhythm &harmony, double beatSeconds)
{
    auto at = [&](double beats) { return valueAt(harmony.autocorrelation, beats * beatSeconds * harmony.frameRate); };
    const double barOfFour = at(4) + at(8) - at(2) - at(6);
    const double barOfThree = at(3) + at(6) - at(2) - at(4);
    return harmony.pitchedness * std::max(barOfFour, barOfThree);
}

} // namespace beatfind
