#include "tempoestimator.h"

#include "metricallevel.h"
#include "periodicity.h"

#include <algorithm>
#include <cmath>

namespace beatfind {

namespace {

constexpr double kTrendSeconds = 0.4;
constexpr double kMinSongSeconds = 5.0;
constexpr double kPriorCentreBpm = 120.0;
constexpr double kPriorOctaves = 1.0;
constexpr double kMinPeriodicity = 0.05;
// Estimates just outside the range still print as its ends.
constexpr double kRangeMargin = 0.5;
constexpr double kSearchStep = 1.002;
// Onset bands from this one up are the cymbals (see the band edges).
constexpr std::size_t kFirstCymbalBand = 4;
constexpr std::size_t kKickBand = 0;
constexpr std::size_t kFirstSnareBand = 2;
constexpr std::size_t kSnareBands = 2;
// How much of the other drum's rise is taken for leak: 0.5 to 1 read alike on
// the songs of bench/tempo.
constexpr float kDrumLeak = 0.75f;
// Beat candidates relative to the strongest pulse; 3/4 and 4/3 since the
// strongest pulse may be a dotted figure, three quarters or four thirds of a beat.
constexpr double kMetricalRatios[] = {0.25, 1.0 / 3, 0.5, 2.0 / 3, 0.75, 1.0, 4.0 / 3, 1.5, 2.0, 3.0, 4.0};

std::vector<float> detrend(const std::vector<float> &flux, std::size_t halfWidth)
{
    const std::size_t n = flux.size();
    std::vector<double> prefix(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + flux[i];
    std::vector<float> out(n);
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t lo = i > halfWidth ? i - halfWidth : 0;
        const std::size_t hi = std::min(n, i + halfWidth + 1);
        const double localMean = (prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo);
        out[i] = static_cast<float>(std::max(0.0, flux[i] - localMean));
        total += out[i];
    }
    if (total > 1e-12) {
        const float scale = static_cast<float>(n / total);
        for (float &v : out)
            v *= scale;
    }
    return out;
}

double tempoPrior(double bpm)
{
    const double octaves = std::log2(bpm / kPriorCentreBpm) / kPriorOctaves;
    return std::exp(-0.5 * octaves * octaves);
}

// The period near `period` (within +-tolerance) whose whole-song beat grid
// fits best: a coarse scan, then two scans ten times finer around the best.
double refinePeriod(const std::vector<float> &envelope, double period, double tolerance)
{
    double best = period;
    double bestFit = gridFit(envelope, period);
    constexpr int kSteps = 10;
    double step = period * tolerance / kSteps;
    for (int pass = 0; pass < 3; ++pass) {
        const double centre = best;
        for (int i = -kSteps; i <= kSteps; ++i) {
            const double p = centre + i * step;
            const double fit = gridFit(envelope, p);
            if (fit > bestFit) {
                bestFit = fit;
                best = p;
            }
        }
        step /= kSteps;
    }
    return best;
}

double slowestPeriod(const RhythmSignal &rhythm) { return 60.0 * rhythm.frameRate / (kMinBpm - kRangeMargin); }

// Autocorrelation of the combined envelope up to four beats at the slowest tempo.
std::vector<double> rhythmAutocorrelation(const RhythmSignal &rhythm)
{
    return autocorrelation(rhythm.combined, static_cast<std::size_t>(4 * slowestPeriod(rhythm)) + 2);
}

// Autocorrelation of the cymbal bands up to one beat at the slowest tempo.
std::vector<double> cymbalAutocorrelation(const RhythmSignal &rhythm)
{
    return autocorrelation(rhythm.cymbals, static_cast<std::size_t>(slowestPeriod(rhythm)) + 2);
}

} // namespace

RhythmSignal prepareRhythm(const OnsetEnvelope &onsets)
{
    RhythmSignal rhythm;
    rhythm.frameRate = onsets.frameRate;
    const std::size_t halfWidth = static_cast<std::size_t>(kTrendSeconds * onsets.frameRate / 2.0);
    const std::size_t frames = onsets.frames();
    rhythm.combined.assign(frames, 0.0f);
    rhythm.cymbals.assign(frames, 0.0f);
    // A band that a low sample rate lacks stays silent.
    std::vector<float> kick(frames, 0.0f), snare(frames, 0.0f);
    for (std::size_t b = 0; b < onsets.bands.size(); ++b) {
        const std::vector<float> band = detrend(onsets.bands[b], halfWidth);
        for (std::size_t i = 0; i < frames; ++i)
            rhythm.combined[i] += band[i];
        if (b >= kFirstCymbalBand)
            for (std::size_t i = 0; i < frames; ++i)
                rhythm.cymbals[i] += band[i];
        if (b == kKickBand)
            kick = band;
        if (b >= kFirstSnareBand && b < kFirstSnareBand + kSnareBands)
            for (std::size_t i = 0; i < frames; ++i)
                snare[i] += band[i] / static_cast<float>(kSnareBands);
    }
    rhythm.kick.resize(frames);
    rhythm.snare.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        rhythm.kick[i] = std::max(0.0f, kick[i] - kDrumLeak * snare[i]);
        rhythm.snare[i] = std::max(0.0f, snare[i] - kDrumLeak * kick[i]);
    }
    return rhythm;
}

std::vector<LevelEvidence> beatCandidates(const OnsetEnvelope &onsets, const RhythmSignal &rhythm)
{
    const double fps = rhythm.frameRate;
    const double lowest = kMinBpm - kRangeMargin, highest = kMaxBpm + kRangeMargin;
    const std::vector<double> acf = rhythmAutocorrelation(rhythm);

    // The strongest pulse, a prior keeping it near the middle of the range;
    // the beat is then one of its metrical relatives.
    double strongestScore = 0.0, strongestPeriod = 0.0;
    for (double bpm = lowest; bpm <= highest; bpm *= kSearchStep) {
        const double period = 60.0 * fps / bpm;
        const double score = combPeriodicity(acf, period) * tempoPrior(bpm);
        if (score > strongestScore) {
            strongestScore = score;
            strongestPeriod = period;
        }
    }
    if (strongestPeriod <= 0.0 || combPeriodicity(acf, strongestPeriod) < kMinPeriodicity)
        return {};
    const double pulse = refinePeriod(rhythm.combined, strongestPeriod, 0.01);

    const std::vector<double> cymbalAcf = cymbalAutocorrelation(rhythm);
    const HarmonicRhythm harmony = harmonicRhythm(onsets);
    std::vector<LevelEvidence> levels;
    for (double ratio : kMetricalRatios) {
        const double period = pulse / ratio;
        const double bpm = 60.0 * fps / period;
        if (bpm >= lowest && bpm <= highest)
            levels.push_back(describeLevel(harmony, rhythm, acf, cymbalAcf, period));
    }
    return levels;
}

TempoEstimate estimateTempo(const OnsetEnvelope &onsets)
{
    if (onsets.frameRate <= 0.0 || onsets.frames() < kMinSongSeconds * onsets.frameRate)
        return {};
    const RhythmSignal rhythm = prepareRhythm(onsets);
    const std::vector<LevelEvidence> levels = beatCandidates(onsets, rhythm);
    if (levels.empty())
        return {};
    auto bpmOf = [&](const LevelEvidence &level) {
        const double bpm = 60.0 * rhythm.frameRate / refinePeriod(rhythm.combined, level.period, 0.002);
        return std::clamp(bpm, kMinBpm, kMaxBpm);
    };
    const LevelChoice choice = chooseBeatLevel(levels);
    TempoEstimate estimate;
    estimate.bpm = bpmOf(levels[choice.beat]);
    if (choice.unsure)
        estimate.alternative = bpmOf(levels[choice.runnerUp]);
    return estimate;
}

} // namespace beatfind
