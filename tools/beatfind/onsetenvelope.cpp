#include "onsetenvelope.h"

#include "audioreader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace beatfind {

namespace {

// Decimated rate: enough for the hi-hat band, cheap to transform.
constexpr int kAnalysisRateCeiling = 16000;
constexpr double kTargetFrameRate = 172.0;
constexpr std::size_t kWindowHops = 8;
// Band edges in Hz: kick, bass/low toms, snare body, snare/voice, attacks, cymbals.
constexpr double kBandEdgesHz[] = {30, 150, 400, 1000, 2500, 6000, 11000};
// Log compression: quiet parts of a song still show their onsets.
constexpr float kLogGain = 1000.0f;

std::size_t nextPowerOfTwo(std::size_t n)
{
    std::size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// Natural log for x >= 1, to about 1e-4: libm's log is most of the analyser's
// time otherwise, and flux needs no more precision.
float fastLog(float x)
{
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    bits = (bits & 0x007FFFFF) | 0x3F800000;
    float m;
    std::memcpy(&m, &bits, sizeof m);
    const float log2m = -1.7417939f + (2.8212026f + (-1.4699568f + (0.44717955f - 0.056570851f * m) * m) * m) * m;
    return (static_cast<float>(exponent) + log2m) * 0.69314718f;
}

int decimationFor(int sampleRate) { return std::max(1, sampleRate / kAnalysisRateCeiling); }

std::size_t hopFor(double rate)
{
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(rate / kTargetFrameRate)));
}

} // namespace

OnsetAnalyser::OnsetAnalyser(int sampleRate)
    : decimator(decimationFor(sampleRate)),
      rate(static_cast<double>(sampleRate) / decimator.factor()),
      spectrum(nextPowerOfTwo(hopFor(rate) * kWindowHops), hopFor(rate)),
      chromaAnalyser(rate)
{
    result.frameRate = rate / static_cast<double>(spectrum.hop());
    result.chromaFrameRate = chromaAnalyser.frameRate();

    const std::size_t bins = spectrum.bins();
    const double binHz = rate / static_cast<double>(spectrum.windowSize());
    for (double hz : kBandEdgesHz) {
        const std::size_t bin = std::min<std::size_t>(bins, std::max<std::size_t>(1, std::lround(hz / binHz)));
        if (bandEdges.empty() || bin > bandEdges.back())
            bandEdges.push_back(bin);
    }
    result.bands.resize(bandEdges.size() > 1 ? bandEdges.size() - 1 : 0);
    previousLog.assign(bins, 0.0f);
    neighbourMax.assign(bins, 0.0f);
    currentLog.assign(bins, 0.0f);
}

void OnsetAnalyser::push(const float *samples, std::size_t count)
{
    float decimated = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        if (decimator.push(samples[i], decimated))
            pushDecimated(decimated);
    }
}

void OnsetAnalyser::pushDecimated(float sample)
{
    chromaAnalyser.push(sample, result.chroma);
    if (spectrum.push(sample))
        analyseFrame();
}

void OnsetAnalyser::analyseFrame()
{
    const std::vector<float> &magnitude = spectrum.magnitudes();
    const std::size_t bins = currentLog.size();
    for (std::size_t k = 0; k < bins; ++k)
        currentLog[k] = fastLog(1.0f + kLogGain * magnitude[k]);
    // Compare with the loudest neighbouring bin of the last frame, so that a
    // slightly gliding partial does not read as a new onset.
    neighbourMax[0] = std::max(previousLog[0], previousLog[1]);
    for (std::size_t k = 1; k + 1 < bins; ++k)
        neighbourMax[k] = std::max(previousLog[k], std::max(previousLog[k - 1], previousLog[k + 1]));
    neighbourMax[bins - 1] = std::max(previousLog[bins - 1], previousLog[bins - 2]);
    for (std::size_t b = 0; b + 1 < bandEdges.size(); ++b) {
        float flux = 0.0f;
        for (std::size_t k = bandEdges[b]; k < bandEdges[b + 1]; ++k)
            flux += std::max(0.0f, currentLog[k] - neighbourMax[k]);
        result.bands[b].push_back(flux / static_cast<float>(bandEdges[b + 1] - bandEdges[b]));
    }
    std::swap(previousLog, currentLog);
}

OnsetEnvelope analyseOnsets(AudioReader &reader, double maxSeconds)
{
    OnsetAnalyser analyser(reader.sampleRate());
    const double limit = std::max(0.0, maxSeconds) * reader.sampleRate();
    std::vector<float> block(4096);
    double done = 0.0;
    while (done < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<double>(block.size(), limit - done));
        const std::size_t got = reader.readMono(block.data(), std::max<std::size_t>(1, want));
        if (got == 0)
            break;
        analyser.push(block.data(), got);
        done += static_cast<double>(got);
    }
    return analyser.envelope();
}

} // namespace beatfind
