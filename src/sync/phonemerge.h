#pragma once

#include "sync/phonelinks.h"
#include "sync/phonemessagereader.h"
#include "sync/wirecodec.h"

#include <vector>

// The phone's BPM is taken when the phone says the user changed it, when the
// desktop does not show the song yet, or when the desktop has no BPM for it.
bool phoneBpmAccepted(bool userChanged, bool shown, int currentBpm);

// What one session's messages do to the library. GUI thread only: these
// change the song store.
//
// A phone's song meets the record under its persistent ID. When the library
// has none, it meets the record linked to that ID, or the one free song that
// is the phone's by title, artist and album, which is then linked to it (see
// library/phonelink.h); only when there is none of these is a record made
// under the phone's ID. A linked record keeps its own texts: the phone brings
// its BPM, UserChanged and OnDevice.
class PhoneMerge
{
public:
    PhoneMerge();

    // Prepares, within the deadline, what applying the message needs; false
    // when there is more to prepare, in another call.
    bool prepare(const PhoneMessage &message, const QDeadlineTimer &deadline);
    // Applies one message, or the part of it that arrived, with its diagnostic
    // lines: each MUSICPASS field in wire order, a complete one ending in a row.
    void apply(const PhoneMessage &message);

private:
    struct Target
    {
        std::string key;
        bool linked = false;
    };
    Target target(const PhoneMessage &message);
    void applyMusicPass(const PhoneMessage &message);

    PhoneLinks links;
};

// The reply to CMD_WANTBPMS: every song on the phone whose BPM differs from
// the one the phone holds, in key order, under the ID the phone knows it by.
std::vector<wire::BpmRecord> bpmListForPhone();
