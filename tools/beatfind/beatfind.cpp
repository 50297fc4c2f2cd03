#include "beatfind.h"

#include "audioreader.h"
#include "onsetenvelope.h"

#include <cmath>
#include <cstdio>

namespace beatfind {

namespace {

TempoEstimate tempoOf(std::unique_ptr<AudioReader> reader)
{
    if (!reader)
        return {};
    return estimateTempo(analyseOnsets(*reader, kMaxAnalysedSeconds));
}

bool isTempo(double bpm) { return bpm > 0.0 && std::isfinite(bpm); }

std::string formatTempo(const char *label, double bpm)
{
    const double nearest = std::round(bpm);
    const double shown = std::fabs(bpm - nearest) <= kSnapBpm ? nearest : bpm;
    char text[64];
    std::snprintf(text, sizeof text, "%s%.2f", label, std::floor(shown * 100.0) / 100.0);
    return text;
}

} // namespace

TempoEstimate tempoOfFile(const std::string &path) { return tempoOf(AudioReader::openFile(path)); }

TempoEstimate tempoOfMemory(const unsigned char *data, std::size_t size)
{
    return tempoOf(AudioReader::openMemory(data, size));
}

std::string bpmLine(double bpm) { return isTempo(bpm) ? formatTempo("BPM: ", bpm) : "BPM: 0"; }

std::string alternativeLine(const TempoEstimate &estimate)
{
    return isTempo(estimate.bpm) && isTempo(estimate.alternative) ? formatTempo("Alternative: ", estimate.alternative)
                                                                  : std::string();
}

} // namespace beatfind
