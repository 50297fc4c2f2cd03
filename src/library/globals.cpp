#include "library/globals.h"

QTableWidget *tableWidget = nullptr;
bool syncEnabled = false;
QString currentFileName;
