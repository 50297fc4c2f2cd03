#pragma once

#include <QString>

// A tag's BPM text as a whole number: "120.9" and "120,5" (a decimal comma)
// round to the nearest, spaces around it are ignored, text that is no number
// gives 0, and values beyond the int range saturate.
int bpmFromTagText(const QString &text);
