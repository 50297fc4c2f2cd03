#pragma once

#include <cstddef>
#include <vector>

namespace beatfind {

// Pitch-class energy of a stream, in frames of about 46 ms from a window of
// about 0.37 s: long enough to tell semitones apart down to 200 Hz, which the
// onset analysis's short frames cannot, so that chord changes show.
class ChromaAnalyser {
public:
    static constexpr std::size_t kPitchClasses = 12;

    explicit ChromaAnalyser(double sampleRate);
    ~ChromaAnalyser();
    ChromaAnalyser(const ChromaAnalyser&) = delete;
    ChromaAnalyser& operator=(const ChromaAnalyser&) = delete;

    double frameRate() const { return rate / static_cast<double>(hop); }

    // Appends kPitchClasses values to frames for every frame completed.
    void push(float sample, std::vector<float>& frames);

private:
    void analyseFrame(std::vector<float>& frames);

    int decimation = 1;
    int decimationCount = 0;
    float decimationSum = 0.0f;
    double rate = 0.0;
    std::size_t hop = 0;
    std::size_t windowSize = 0;
    std::size_t pendingCount = 0;
    std::vector<float> window;
    std::vector<float> history;  // the last windowSize samples
    std::vector<std::size_t> bins;          // bins near a semitone of the chord range
    std::vector<std::size_t> pitchClasses;  // of each of those bins
    std::vector<float> weights;             // the nearer the semitone, the more
    float* fftIn = nullptr;
    void* fftOut = nullptr;  // fftwf_complex*
    void* plan = nullptr;    // fftwf_plan
};

} // namespace beatfind
