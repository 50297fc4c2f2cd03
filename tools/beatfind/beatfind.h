#pragma once

#include <cstddef>
#include <string>

namespace beatfind {

// Longest stretch of a file that is analysed; a tempo is settled long before.
constexpr double kMaxAnalysedSeconds = 30.0 * 60.0;

// Tempo of an audio file or of audio file bytes in memory; 0 when there is none
// or the data is not readable audio.
double tempoOfFile(const std::string& path);
double tempoOfMemory(const unsigned char* data, std::size_t size);

// The analyser's output line, without newline: "BPM: 0" for no tempo, else the
// tempo with two decimals, snapped to the nearest whole BPM when it lies within
// kSnapBpm of one, so that truncating the printed value stores that whole BPM.
std::string bpmLine(double bpm);
constexpr double kSnapBpm = 0.4;

} // namespace beatfind
