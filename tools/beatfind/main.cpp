// beatfind FILE: prints "BPM: <tempo>" for an audio file, "BPM: 0" when it has
// none, then "Alternative: <tempo>" when the metrical level is in doubt.
#include "beatfind.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const beatfind::TempoEstimate estimate = argc == 2 ? beatfind::tempoOfFile(argv[1]) : beatfind::TempoEstimate();
    std::printf("%s\n", beatfind::bpmLine(estimate.bpm).c_str());
    const std::string alternative = beatfind::alternativeLine(estimate);
    if (!alternative.empty())
        std::printf("%s\n", alternative.c_str());
    return argc == 2 ? 0 : 2;
}
