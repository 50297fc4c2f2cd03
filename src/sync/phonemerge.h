#pragma once

#include "sync/phonemessagereader.h"
#include "sync/wirecodec.h"

#include <vector>

// What a phone's messages do to the library. GUI thread only: these change
// the song store.

// The phone's BPM is taken when the phone says the user changed it, when the
// desktop does not show the song yet, or when the desktop has no BPM for it.
bool phoneBpmAccepted(bool userChanged, bool shown, int currentBpm);

// Applies one message, or the part of it that arrived, with its diagnostic
// lines: each MUSICPASS field in wire order, a complete one ending in a row.
void applyPhoneMessage(const PhoneMessage &message);

// The reply to CMD_WANTBPMS: every song on the phone whose BPM differs from
// the one the phone holds, in key order.
std::vector<wire::BpmRecord> bpmListForPhone();
