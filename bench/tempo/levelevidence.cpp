// Prints, for each audio file given, beatfind's beat candidates and the
// evidence it weighs for each: "file,bpm,periodicity,nextBeat,cymbalNextBeat,
// half,thirds,secondBeat,bars,backbeat", one line per candidate.
#include "audioreader.h"
#include "beatfind.h"
#include "metricallevel.h"
#include "onsetenvelope.h"
#include "tempoestimator.h"

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace beatfind;
    std::printf("file,bpm,periodicity,nextBeat,cymbalNextBeat,half,thirds,secondBeat,bars,backbeat\n");
    for (int i = 1; i < argc; ++i) {
        const auto reader = AudioReader::openFile(argv[i]);
        if (!reader) {
            std::fprintf(stderr, "level_evidence: %s is not readable audio\n", argv[i]);
            continue;
        }
        const OnsetEnvelope onsets = analyseOnsets(*reader, kMaxAnalysedSeconds);
        for (const LevelEvidence &e : beatCandidates(onsets, prepareRhythm(onsets)))
            std::printf("%s,%.4f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", argv[i], e.bpm, e.periodicity, e.nextBeat,
                        e.cymbalNextBeat, e.half, e.thirds, e.secondBeat, e.bars, e.backbeat);
    }
    return 0;
}
