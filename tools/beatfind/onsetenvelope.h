#pragma once

#include "chromaanalyser.h"
#include "decimator.h"
#include "slidingspectrum.h"

#include <cstddef>
#include <vector>

namespace beatfind {

class AudioReader;

// Onset strength of a song: the rise of log magnitudes from frame to frame, summed over
// a few frequency bands, at about 172 frames per second; and its harmony.
struct OnsetEnvelope
{
    static constexpr std::size_t kPitchClasses = ChromaAnalyser::kPitchClasses;

    double frameRate = 0.0;
    std::vector<std::vector<float>> bands; // bands[b][frame], lowest band first
    // Log energy per pitch class, kPitchClasses values per frame at
    // chromaFrameRate: chord changes mark the bars.
    double chromaFrameRate = 0.0;
    std::vector<float> chroma;

    std::size_t frames() const { return bands.empty() ? 0 : bands.front().size(); }
};

// Streams samples of one sample rate into band flux frames and pitch-class frames.
class OnsetAnalyser
{
public:
    explicit OnsetAnalyser(int sampleRate);

    void push(const float *samples, std::size_t count);
    const OnsetEnvelope &envelope() const { return result; }

private:
    void pushDecimated(float sample);
    void analyseFrame();

    Decimator decimator;
    double rate = 0.0; // of the decimated stream
    SlidingSpectrum spectrum;
    ChromaAnalyser chromaAnalyser;
    std::vector<float> previousLog; // log magnitudes of the previous frame
    std::vector<float> currentLog;
    std::vector<std::size_t> bandEdges; // first bin of each band, then one past the last
    std::vector<float> neighbourMax; // previousLog, each bin the max of itself and its neighbours
    OnsetEnvelope result;
};

// Reads the whole stream (at most maxSeconds of it) into an onset envelope.
OnsetEnvelope analyseOnsets(AudioReader &reader, double maxSeconds);

} // namespace beatfind
