#pragma once

#include "harmonicrhythm.h"
#include "tempoestimator.h"

#include <cstddef>
#include <vector>

namespace beatfind {

// What the song says about one candidate beat period.
struct LevelEvidence
{
    double bpm = 0.0;
    double period = 0.0; // frames
    double periodicity = 0.0; // mean autocorrelation at 1 to 4 periods
    double nextBeat = 0.0; // autocorrelation at one period
    double cymbalNextBeat = 0.0; // the same for the cymbal bands alone
    double half = 0.0; // onsets halfway between beats, relative to those on the beat
    double thirds = 0.0; // the weaker of the onsets at a third and two thirds of a beat
    double secondBeat = 0.0; // onsets on every second beat relative to the others
    double bars = 0.0; // chords change on whole bars of 3 or 4 beats (barEvidence)
    double backbeat = 0.0; // the kick leads one of two beats and the snare the other (-1 to 1)
};

LevelEvidence describeLevel(const HarmonicRhythm &harmony, const RhythmSignal &rhythm,
                            const std::vector<double> &autocorrelation,
                            const std::vector<double> &cymbalAutocorrelation, double period);

// The candidate a listener most likely taps, and the runner-up; unsure when
// the runner-up scores nearly as well.
struct LevelChoice
{
    std::size_t beat = 0;
    std::size_t runnerUp = 0;
    bool unsure = false;
};

// Candidates must not be empty.
LevelChoice chooseBeatLevel(const std::vector<LevelEvidence> &candidates);

// The comb over the autocorrelation that periodicity uses.
double combPeriodicity(const std::vector<double> &autocorrelation, double period);

} // namespace beatfind
