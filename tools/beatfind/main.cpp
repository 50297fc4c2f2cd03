// beatfind FILE: prints "BPM: <tempo>" for an audio file, "BPM: 0" when it has none.
#include "beatfind.h"

#include <cstdio>

int main(int argc, char** argv)
{
    const double bpm = argc == 2 ? beatfind::tempoOfFile(argv[1]) : 0.0;
    std::printf("%s\n", beatfind::bpmLine(bpm).c_str());
    return argc == 2 ? 0 : 2;
}
