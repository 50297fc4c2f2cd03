#include "library/globals.h"

bool syncEnabled = false;
QString currentFileName;
