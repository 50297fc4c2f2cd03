#include "slidingspectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace beatfind {

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

SlidingSpectrum::SlidingSpectrum(std::size_t windowSize, std::size_t hop)
    : hopSize(std::clamp<std::size_t>(hop, 1, std::max<std::size_t>(windowSize, 2)))
{
    windowSize = std::max<std::size_t>(windowSize, 2);
    window.resize(windowSize);
    double windowSum = 0.0;
    for (std::size_t i = 0; i < windowSize; ++i) {
        window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * (i + 0.5) / windowSize));
        windowSum += window[i];
    }
    for (float &w : window)
        w = static_cast<float>(w * 2.0 / windowSum);
    history.assign(windowSize, 0.0f);
    magnitude.assign(windowSize / 2 + 1, 0.0f);

    fftIn = fftwf_alloc_real(windowSize);
    fftOut = fftwf_alloc_complex(magnitude.size());
    // ESTIMATE keeps the plan, and so the output, the same from run to run.
    plan =
        fftwf_plan_dft_r2c_1d(static_cast<int>(windowSize), fftIn, static_cast<fftwf_complex *>(fftOut), FFTW_ESTIMATE);
}

SlidingSpectrum::~SlidingSpectrum()
{
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan));
    fftwf_free(fftIn);
    fftwf_free(fftOut);
}

bool SlidingSpectrum::push(float sample)
{
    const std::size_t size = window.size();
    history[size - hopSize + pendingCount] = sample;
    if (++pendingCount < hopSize)
        return false;
    for (std::size_t i = 0; i < size; ++i)
        fftIn[i] = history[i] * window[i];
    fftwf_execute(static_cast<fftwf_plan>(plan));
    const auto *transform = static_cast<const fftwf_complex *>(fftOut);
    for (std::size_t k = 0; k < magnitude.size(); ++k)
        magnitude[k] = std::sqrt(transform[k][0] * transform[k][0] + transform[k][1] * transform[k][1]);
    std::copy(history.begin() + static_cast<std::ptrdiff_t>(hopSize), history.end(), history.begin());
    pendingCount = 0;
    return true;
}

} // namespace beatfind
