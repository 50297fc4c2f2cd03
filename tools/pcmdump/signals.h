#pragma once

#include <string>

namespace pcmdump {

// Stop signals delete the registered file before the process dies; a full
// pipe or a file size limit becomes a write error instead of a silent death.
void installSignalHandling();

// The file a stop signal deletes: one at a time, the last registration wins.
void removeOnSignal(const std::string &path);
void forgetRemoveOnSignal();

} // namespace pcmdump
