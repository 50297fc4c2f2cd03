#include "library/bpmlevel.h"

namespace {

bool inBpmRange(int bpm) { return bpm >= 50 && bpm <= 200; }

} // namespace

std::optional<BpmLevels> levelChange(LevelCommand command, const BpmLevels &levels)
{
    switch (command) {
    case LevelCommand::Double:
    case LevelCommand::Halve: {
        if (!inBpmRange(levels.bpm))
            return std::nullopt;
        const int bpm = command == LevelCommand::Double ? levels.bpm * 2 : levels.bpm / 2;
        if (!inBpmRange(bpm))
            return std::nullopt;
        return BpmLevels{bpm, 0};
    }
    case LevelCommand::UseAlternative:
        if (!inBpmRange(levels.alternative))
            return std::nullopt;
        return BpmLevels{levels.alternative, inBpmRange(levels.bpm) ? levels.bpm : 0};
    }
    return std::nullopt;
}
