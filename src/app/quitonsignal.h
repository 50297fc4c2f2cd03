#pragma once

// Makes SIGTERM, SIGINT and SIGHUP end the event loop, so that a session
// logout or Ctrl+C in a terminal tears the program down as a normal quit does
// (the phone session joined, the library's records out of the table) instead
// of killing it mid-way.
void quitOnTerminationSignals();
