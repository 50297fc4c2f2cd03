#pragma once

#include <QString>

// How far a run is, as the window's label and velmora-bpm's bar say it:
// "12 of 340, about 3 min left"; the time is left out while unknown (< 0).
QString progressText(int number, int total, int secondsLeft);
