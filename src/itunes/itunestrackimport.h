#pragma once

#include "itunes/itunestrack.h"

#include <ostream>

// Brings one track of the iTunes library file into the library: the record
// under its persistent ID is created or refreshed, marked as in iTunes and
// given a row; a track that is not an audio file drops its record instead.
// Writes the track's line of diagnostic output.
void importItunesTrack(const ItunesTrack &track, std::ostream &out);
