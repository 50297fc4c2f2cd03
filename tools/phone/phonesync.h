#pragma once

#include "phoneoptions.h"

// Connects to the desktop and plays the steps, then asks for the BPM list
// when wanted and prints it. 0 when all was sent and, if asked for, the list
// ended with CMD_DONE; 1 on a network failure or time-out; 2 for a song file
// that cannot be read; 3 for a reply that breaks the protocol.
int syncWithDesktop(const PhoneOptions &options);
