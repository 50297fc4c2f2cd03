#pragma once

#include "tempoestimator.h"

#include <cstddef>
#include <string>

namespace beatfind {

// Longest stretch of a file that is analysed; a tempo is settled long before.
constexpr double kMaxAnalysedSeconds = 30.0 * 60.0;

// Tempo of an audio file or of audio file bytes in memory; no tempo when there
// is none or the data is not readable audio.
TempoEstimate tempoOfFile(const std::string &path);
TempoEstimate tempoOfMemory(const unsigned char *data, std::size_t size);

// The analyser's output line, without newline: "BPM: 0" for no tempo, else the
// tempo with two decimals, snapped to the nearest whole BPM when it lies within
// kSnapBpm of one, so that truncating the printed value stores that whole BPM.
std::string bpmLine(double bpm);
constexpr double kSnapBpm = 0.4;

// The line that follows it when the metrical level is in doubt: "Alternative: "
// and the runner-up's tempo in the same format; empty when there is no doubt
// or no tempo at all.
std::string alternativeLine(const TempoEstimate &estimate);

} // namespace beatfind
