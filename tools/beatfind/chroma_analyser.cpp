#include "chroma_analyser.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace beatfind {

namespace {

constexpr double kPi = 3.14159265358979323846;
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

std::size_t nearestPowerOfTwo(double n)
{
    return std::size_t{1} << static_cast<int>(std::lround(std::log2(std::max(n, 2.0))));
}

} // namespace

ChromaAnalyser::ChromaAnalyser(double sampleRate)
{
    rate = sampleRate;
    while (rate >= kMaxRate) {
        rate /= 2.0;
        decimation *= 2;
    }
    windowSize = std::max(kHopsPerWindow, nearestPowerOfTwo(kWindowSeconds * rate));
    hop = windowSize / kHopsPerWindow;
    window.resize(windowSize);
    double windowSum = 0.0;
    for (std::size_t i = 0; i < windowSize; ++i) {
        window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / windowSize));
        windowSum += window[i];
    }
    // Scale so that a full-scale sine reads as magnitude 1.
    for (float& w : window)
        w = static_cast<float>(w * 2.0 / windowSum);
    history.assign(windowSize, 0.0f);

    const double binHz = rate / static_cast<double>(windowSize);
    for (std::size_t k = 1; k <= windowSize / 2; ++k) {
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

    fftIn = fftwf_alloc_real(windowSize);
    fftOut = fftwf_alloc_complex(windowSize / 2 + 1);
    // ESTIMATE keeps the plan, and so the output, the same from run to run.
    plan = fftwf_plan_dft_r2c_1d(static_cast<int>(windowSize), fftIn,
                                 static_cast<fftwf_complex*>(fftOut), FFTW_ESTIMATE);
}

ChromaAnalyser::~ChromaAnalyser()
{
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan));
    fftwf_free(fftIn);
    fftwf_free(fftOut);
}

void ChromaAnalyser::push(float sample, std::vector<float>& frames)
{
    decimationSum += sample;
    if (++decimationCount < decimation)
        return;
    history[windowSize - hop + pendingCount] = decimationSum / static_cast<float>(decimation);
    decimationSum = 0.0f;
    decimationCount = 0;
    if (++pendingCount < hop)
        return;
    analyseFrame(frames);
    std::copy(history.begin() + static_cast<std::ptrdiff_t>(hop), history.end(), history.begin());
    pendingCount = 0;
}

void ChromaAnalyser::analyseFrame(std::vector<float>& frames)
{
    for (std::size_t i = 0; i < windowSize; ++i)
        fftIn[i] = history[i] * window[i];
    fftwf_execute(static_cast<fftwf_plan>(plan));
    const auto* transform = static_cast<const fftwf_complex*>(fftOut);
    float energy[kPitchClasses] = {};
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const std::size_t k = bins[i];
        energy[pitchClasses[i]] += weights[i] * std::sqrt(transform[k][0] * transform[k][0] + transform[k][1] * transform[k][1]);
    }
    for (float e : energy)
        frames.push_back(static_cast<float>(std::log1p(kLogGain * e)));
}

} // namespace beatfind
