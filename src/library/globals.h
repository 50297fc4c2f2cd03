#pragma once

#include <QString>

// True while the library is ready to be offered to the phone: the discovery
// broadcast stays silent otherwise.
extern bool syncEnabled;

// Absolute path of the library file last read or written; empty until then.
extern QString currentFileName;
