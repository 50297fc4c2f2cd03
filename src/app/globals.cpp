#include "app/globals.h"

QTableWidget *tableWidget = nullptr;
bool syncEnabled = false;
QString currentFileName;
