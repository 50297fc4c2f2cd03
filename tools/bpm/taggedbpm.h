#pragma once

#include <QString>

// The BPM the file's own tags hold, as a whole tempo from 50 to 200; 0 when
// they hold none, a value outside that range, or cannot be read.
int taggedBpm(const QString &path);
