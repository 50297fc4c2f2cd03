#pragma once

#include <QString>

// The whole tempos a user prefers to see, both ends included. Songs found
// outside it are moved into it by a whole octave when that lands inside.
struct BpmRange
{
    int low = 50;
    int high = 200;

    bool contains(int bpm) const { return bpm >= low && bpm <= high; }
    bool operator==(const BpmRange &other) const { return low == other.low && high == other.high; }
};

// "70-140". Text that does not name two whole numbers within 50 to 200, the
// lower first, gives the full range.
BpmRange bpmRangeFromText(const QString &text);
QString bpmRangeText(const BpmRange &range);

// The range kept in the settings under "preferredBpmRange".
BpmRange preferredBpmRange();
void setPreferredBpmRange(const BpmRange &range);
