#pragma once

#include <QString>

class QTableWidget;

// The one library table of the process, for code outside the main window.
extern QTableWidget *tableWidget;

// True while the library is ready to be offered to the phone: the discovery
// broadcast stays silent otherwise.
extern bool syncEnabled;

// Absolute path of the library file last read or written; empty until then.
extern QString currentFileName;
