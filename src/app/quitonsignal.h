#pragma once

#include <functional>

// Makes SIGTERM, SIGINT and SIGHUP end the event loop, so that a session
// logout or Ctrl+C in a terminal tears the program down as a normal quit does
// (the phone session joined, the library's records out of the table) instead
// of killing it mid-way. No window is asked to close: there may be nobody to
// answer its questions, so beforeQuit saves what must not be lost first; what
// it returns is the program's exit status (non-zero when that failed).
void quitOnTerminationSignals(std::function<int()> beforeQuit);
