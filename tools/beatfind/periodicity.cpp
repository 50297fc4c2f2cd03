#include "periodicity.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace beatfind {

std::vector<double> autocorrelation(const std::vector<float> &signal, std::size_t maxLag)
{
    const std::size_t n = signal.size();
    std::vector<double> r(maxLag + 1, 0.0);
    if (n < 2)
        return r;
    std::size_t size = 1;
    while (size < 2 * n)
        size <<= 1;
    const double mean = std::accumulate(signal.begin(), signal.end(), 0.0) / n;
    double *time = fftw_alloc_real(size);
    fftw_complex *freq = fftw_alloc_complex(size / 2 + 1);
    fftw_plan forward = fftw_plan_dft_r2c_1d(static_cast<int>(size), time, freq, FFTW_ESTIMATE);
    fftw_plan backward = fftw_plan_dft_c2r_1d(static_cast<int>(size), freq, time, FFTW_ESTIMATE);
    for (std::size_t i = 0; i < size; ++i)
        time[i] = i < n ? signal[i] - mean : 0.0;
    fftw_execute(forward);
    for (std::size_t k = 0; k <= size / 2; ++k) {
        freq[k][0] = freq[k][0] * freq[k][0] + freq[k][1] * freq[k][1];
        freq[k][1] = 0.0;
    }
    fftw_execute(backward);
    const double energy = time[0] / n;
    if (energy > 1e-20) {
        for (std::size_t lag = 0; lag <= maxLag && lag < n; ++lag)
            r[lag] = time[lag] / static_cast<double>(n - lag) / energy;
    }
    fftw_destroy_plan(forward);
    fftw_destroy_plan(backward);
    fftw_free(time);
    fftw_free(freq);
    return r;
}

double valueAt(const std::vector<double> &r, double lag)
{
    if (!(lag >= 0.0) || lag > static_cast<double>(r.size() - 1) || r.empty())
        return 0.0;
    const std::size_t i = static_cast<std::size_t>(lag);
    if (i + 1 >= r.size())
        return r[i];
    const double f = lag - static_cast<double>(i);
    return r[i] * (1.0 - f) + r[i + 1] * f;
}

std::vector<double> foldedProfile(const std::vector<float> &envelope, double period, std::size_t bins)
{
    std::vector<double> sum(bins, 0.0), weight(bins, 0.0);
    if (bins == 0 || !(period > 0.0))
        return sum;
    const double binsPerFrame = static_cast<double>(bins) / period;
    // Position in bins, advanced per frame; double precision keeps the
    // accumulated error far below a bin even for hours of frames.
    double position = 0.0;
    for (std::size_t n = 0; n < envelope.size(); ++n) {
        std::size_t lo = static_cast<std::size_t>(position);
        const double f = position - static_cast<double>(lo);
        if (lo >= bins)
            lo = 0;
        const std::size_t hi = lo + 1 == bins ? 0 : lo + 1;
        sum[lo] += envelope[n] * (1.0 - f);
        weight[lo] += 1.0 - f;
        sum[hi] += envelope[n] * f;
        weight[hi] += f;
        position += binsPerFrame;
        if (position >= static_cast<double>(bins))
            position -= static_cast<double>(bins);
    }
    for (std::size_t b = 0; b < bins; ++b)
        sum[b] = weight[b] > 0.0 ? sum[b] / weight[b] : 0.0;
    return sum;
}

double gridFit(const std::vector<float> &envelope, double period)
{
    if (envelope.empty() || !(period >= 2.0))
        return 0.0;
    const std::size_t bins = static_cast<std::size_t>(std::ceil(period));
    const std::vector<double> profile = foldedProfile(envelope, period, bins);
    double mean = 0.0, meanSquare = 0.0;
    for (float v : envelope) {
        mean += v;
        meanSquare += static_cast<double>(v) * v;
    }
    mean /= envelope.size();
    const double variance = meanSquare / envelope.size() - mean * mean;
    if (variance <= 1e-20)
        return 0.0;
    double profileVariance = 0.0;
    for (double v : profile)
        profileVariance += (v - mean) * (v - mean);
    return profileVariance / bins / variance;
}

} // namespace beatfind
