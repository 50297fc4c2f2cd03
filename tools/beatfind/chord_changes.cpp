#include "chord_changes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace beatfind {

namespace {

constexpr std::size_t kClasses = OnsetEnvelope::kPitchClasses;
using Chroma = std::array<double, kClasses>;

// Correlation of two chroma vectors with their means removed, so that drums,
// which add about the same to every pitch class, drop out.
double correlation(const Chroma& a, const Chroma& b)
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

} // namespace

ChordChangeContrast chordChangeContrast(const OnsetEnvelope& onsets, double period, double firstBeat)
{
    ChordChangeContrast contrast{};
    const std::size_t frames = onsets.chroma.size() / kClasses;
    if (!(period >= 1.0) || !(firstBeat >= 0.0))
        return contrast;
    std::vector<Chroma> beats;
    for (double start = firstBeat; start + period <= static_cast<double>(frames); start += period) {
        Chroma sum{};
        const std::size_t end = static_cast<std::size_t>(start + period);
        for (std::size_t f = static_cast<std::size_t>(start); f < end; ++f)
            for (std::size_t c = 0; c < kClasses; ++c)
                sum[c] += onsets.chroma[f * kClasses + c];
        beats.push_back(sum);
    }
    if (beats.size() < 8)
        return contrast;
    std::vector<double> change(beats.size(), 0.0);
    double mean = 0.0;
    for (std::size_t i = 1; i < beats.size(); ++i) {
        change[i] = 1.0 - correlation(beats[i], beats[i - 1]);
        mean += change[i];
    }
    mean /= static_cast<double>(beats.size() - 1);
    if (mean <= 1e-9)
        return contrast;
    for (std::size_t cycle = 1; cycle < contrast.size(); ++cycle) {
        double strongest = 0.0;
        for (std::size_t position = 0; position < cycle; ++position) {
            double sum = 0.0;
            std::size_t count = 0;
            for (std::size_t i = 1 + position; i < change.size(); i += cycle) {
                sum += change[i];
                ++count;
            }
            strongest = std::max(strongest, sum / static_cast<double>(count));
        }
        contrast[cycle] = strongest / mean - 1.0;
    }
    return contrast;
}

} // namespace beatfind
