#pragma once

#include "onsetenvelope.h"

#include <vector>

namespace beatfind {

// How the song's harmony repeats: the autocorrelation of chord novelty (how
// much the pitch classes of the moment before differ from those of the moment
// after). Chords change on bar lines, so it peaks at whole bars.
struct HarmonicRhythm
{
    double frameRate = 0.0;
    std::vector<double> autocorrelation;
    // 0 for audio without pitched sound (drums alone: flat pitch classes whose
    // novelty says nothing about bars) up to 1 for clearly pitched music.
    double pitchedness = 0.0;
};

HarmonicRhythm harmonicRhythm(const OnsetEnvelope &onsets);

// How well bars of three or four beats of the given length fit the harmony:
// repeats at one and two bars against repeats at half and one and a half bars.
// Positive at the beat, near zero at its double (whose bar would be half a
// real one) and at its half (whose half-bar is a real bar). Scaled by pitchedness.
double barEvidence(const HarmonicRhythm &harmony, double beatSeconds);

} // namespace beatfind
