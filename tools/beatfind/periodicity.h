#pragma once

#include <cstddef>
#include <vector>

namespace beatfind {

// Autocorrelation of a signal for lags 0..maxLag, each lag normalised by its
// overlap and by the signal's energy, so that r[0] == 1 (all zero when the
// signal is). The mean is removed first.
std::vector<double> autocorrelation(const std::vector<float> &signal, std::size_t maxLag);

// Linear interpolation of r at a fractional lag; 0 outside it.
double valueAt(const std::vector<double> &r, double lag);

// How well a whole-song beat grid of the given period (in frames) lines up
// with the envelope: the variance of the envelope folded onto one period,
// relative to its overall variance. Near 0 for no periodicity, larger the
// sharper and more regular the pulses of that period are.
double gridFit(const std::vector<float> &envelope, double period);

// The envelope folded onto one period: the mean envelope in each of `bins`
// equal phase bins, frame n falling at phase frac(n / period), shared
// linearly between the two nearest bins.
std::vector<double> foldedProfile(const std::vector<float> &envelope, double period, std::size_t bins);

} // namespace beatfind
