#include "library/bpmlevel.h"

#include <algorithm>
#include <cmath>

namespace {

using Kind = LevelOutcome::Kind;

bool inBpmRange(int bpm) { return bpm >= 50 && bpm <= 200; }

// x 3/2 then x 2/3 may miss the whole number it started from by a rounding
// error in the last bits; such a tempo is that whole number.
double withoutRoundingError(double tempo)
{
    const double whole = std::round(tempo);
    return std::abs(tempo - whole) < 1e-9 ? whole : tempo;
}

LevelOutcome scaled(const BpmLevels &levels, int numerator, int denominator)
{
    if (!inBpmRange(levels.bpm()))
        return {Kind::Unchanged, levels};
    const double tempo = withoutRoundingError(levels.tempo * numerator / denominator);
    if (!(tempo >= 50 && tempo <= 200))
        return {Kind::Unchanged, levels};
    return {Kind::Changed, {tempo, 0}};
}

LevelOutcome swapped(const BpmLevels &levels)
{
    if (!inBpmRange(levels.alternative))
        return {Kind::Unchanged, levels};
    return {Kind::Changed, {double(levels.alternative), inBpmRange(levels.bpm()) ? levels.bpm() : 0}};
}

} // namespace

int BpmLevels::bpm() const { return wholeBpm(tempo); }

int wholeBpm(double tempo)
{
    if (!(tempo > 0 && tempo < 201))
        return 0;
    return std::min(int(std::lround(tempo)), 200);
}

LevelOutcome levelChange(LevelCommand command, const BpmLevels &levels, bool locked)
{
    if (locked)
        return {Kind::Locked, levels};
    switch (command) {
    case LevelCommand::Double:
        return scaled(levels, 2, 1);
    case LevelCommand::Halve:
        return scaled(levels, 1, 2);
    case LevelCommand::ThreeHalves:
        return scaled(levels, 3, 2);
    case LevelCommand::TwoThirds:
        return scaled(levels, 2, 3);
    case LevelCommand::UseAlternative:
        return swapped(levels);
    }
    return {Kind::Unchanged, levels};
}
