#pragma once

#include <QString>

// Conversions between the texts that files, iTunes and the phone send and the
// values a record holds.

// A BPM text read as a float and truncated toward zero; text that does not
// parse gives 0, and values beyond the int range saturate instead of
// overflowing.
int bpmFromText(const QString &text);

// A flag is set only by exactly "1" or "true".
bool flagFromText(const QString &text);
