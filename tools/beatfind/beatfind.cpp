#include "beatfind.h"

#include "audioreader.h"
#include "onsetenvelope.h"
#include "tempoestimator.h"

#include <cmath>
#include <cstdio>

namespace beatfind {

namespace {

double tempoOf(std::unique_ptr<AudioReader> reader)
{
    if (!reader)
        return 0.0;
    return estimateTempo(analyseOnsets(*reader, kMaxAnalysedSeconds));
}

} // namespace

double tempoOfFile(const std::string& path) { return tempoOf(AudioReader::openFile(path)); }

double tempoOfMemory(const unsigned char* data, std::size_t size)
{
    return tempoOf(AudioReader::openMemory(data, size));
}

std::string bpmLine(double bpm)
{
    if (!(bpm > 0.0) || !std::isfinite(bpm))
        return "BPM: 0";
    const double nearest = std::round(bpm);
    const double shown = std::fabs(bpm - nearest) <= kSnapBpm ? nearest : bpm;
    char text[64];
    std::snprintf(text, sizeof text, "BPM: %.2f", std::floor(shown * 100.0) / 100.0);
    return text;
}

} // namespace beatfind
