#pragma once

#include "onset_envelope.h"

#include <array>

namespace beatfind {

// Chords change on bar lines. For a beat grid (period and first beat in
// frames), contrast[m] says how much more the pitch-class content changes from
// one beat to the next at the strongest position of an m-beat cycle than on
// average (0: no such cycle). contrast[4] well above contrast[2] means bars of
// four of these beats; contrast[3] high means bars of three.
using ChordChangeContrast = std::array<double, 5>;

ChordChangeContrast chordChangeContrast(const OnsetEnvelope& onsets, double period, double firstBeat);

} // namespace beatfind
