// beatfind FILE: prints "BPM: <tempo>" for an audio file, "BPM: 0" when it has
// none, then "Alternative: <tempo>" when the metrical level is in doubt; when
// the file cannot be used at all, standard error says why.
#include "audioreader.h"
#include "beatfind.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: beatfind <audio file>\n", stderr);
        std::printf("%s\n", beatfind::bpmLine(0.0).c_str());
        return 2;
    }
    // The BPM run reads only "BPM: 0" from a file it cannot use, whatever the exit status.
    std::string problem;
    if (!beatfind::AudioReader::openFile(argv[1], &problem)) {
        std::fprintf(stderr, "beatfind: %s\n", problem.c_str());
        std::printf("%s\n", beatfind::bpmLine(0.0).c_str());
        return 0;
    }
    const beatfind::TempoEstimate estimate = beatfind::tempoOfFile(argv[1]);
    std::printf("%s\n", beatfind::bpmLine(estimate.bpm).c_str());
    const std::string alternative = beatfind::alternativeLine(estimate);
    if (!alternative.empty())
        std::printf("%s\n", alternative.c_str());
    return 0;
}
