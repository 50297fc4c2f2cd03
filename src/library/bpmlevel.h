#pragma once

#include <optional>

// A song's BPM and the other tempo level the analyser thought possible;
// 0 stands for none.
struct BpmLevels
{
    int bpm = 0;
    int alternative = 0;
    bool operator==(const BpmLevels &other) const { return bpm == other.bpm && alternative == other.alternative; }
};

// The one-key fixes of a song's tempo level.
enum class LevelCommand { Double, Halve, UseAlternative };

// What a command makes of a song's levels, or nothing when it does not apply:
// a song without a BPM (or, to use it, without an Alternative), or a result
// outside 50 to 200, which is left as it was rather than reset to none.
// Doubling or halving settles the level, so the Alternative goes; using the
// Alternative swaps the two, so the same key undoes it.
std::optional<BpmLevels> levelChange(LevelCommand command, const BpmLevels &levels);
