#pragma once

#include <functional>

// Makes SIGINT, SIGTERM and SIGHUP stop the program within seconds, whatever
// it is doing. The event loop runs stop() and exits with 128 + the signal's
// number. Should the program still be there graceMs later (its main thread
// stuck, say in a read of a file that never ends), its children are stopped
// and it exits all the same; a stop() still under way then is given up to
// three times as long again to finish its own clean-up. Either way, message goes to standard error once.
// Needs a QCoreApplication.
void stopOnSignals(const std::function<void()> &stop, const char *message, int graceMs);
