#pragma once

#include <cstddef>
#include <vector>

namespace beatfind {

// Magnitude spectra of a stream: a Hann window of windowSize samples every
// hop samples, scaled so that a full-scale sine reads as magnitude 1.
class SlidingSpectrum
{
public:
    SlidingSpectrum(std::size_t windowSize, std::size_t hop);
    ~SlidingSpectrum();
    SlidingSpectrum(const SlidingSpectrum &) = delete;
    SlidingSpectrum &operator=(const SlidingSpectrum &) = delete;

    std::size_t windowSize() const { return window.size(); }
    std::size_t hop() const { return hopSize; }
    std::size_t bins() const { return magnitude.size(); }

    // Adds a sample; true when it completes a frame, whose spectrum magnitudes() then holds.
    bool push(float sample);
    const std::vector<float> &magnitudes() const { return magnitude; }

private:
    std::size_t hopSize = 0;
    std::size_t pendingCount = 0;
    std::vector<float> window;
    std::vector<float> history; // the last windowSize samples
    std::vector<float> magnitude;
    float *fftIn = nullptr;
    void *fftOut = nullptr; // fftwf_complex*
    void *plan = nullptr; // fftwf_plan
};

} // namespace beatfind
