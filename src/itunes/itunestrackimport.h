#pragma once

#include "itunes/itunestrack.h"

#include <ostream>

class QTableWidget;

// Brings one track of the iTunes library file into the library: the record
// under its persistent ID is created or refreshed, marked as in iTunes and
// shown; a track that is not an audio file drops its record instead. Writes
// the track's line of diagnostic output. Returns true when the dropped
// record had a row, which is left empty for removeEmptiedRows.
bool importItunesTrack(const ItunesTrack &track, QTableWidget *table, std::ostream &out);
