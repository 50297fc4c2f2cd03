#pragma once

#include "sync/wirecodec.h"

#include <cstdint>
#include <string>

// Where a session's bytes come from.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Reads up to count bytes into out, waiting as long as the connection
    // allows; out grows only to the bytes that arrived. Returns the count
    // read (less than count when fewer arrived in time) or -1 on an error.
    virtual int64_t read(std::string &out, int64_t count) = 0;
};

// One message from the phone, or the part of it that arrived.
struct PhoneMessage
{
    enum Kind { Version, MusicPass, WantBpms, Unknown } kind = Unknown;
    int32_t number = 0; // the version, or the unknown command code
    // MUSICPASS: how many fields, in wire order, arrived complete.
    int fieldsArrived = 0;
    wire::MusicPassFields fields;
};

struct ReadResult
{
    // Where the session ends: the label that reports it, as the session's
    // diagnostics name the step that came up short.
    enum Failure { None, CommandShort, VersionShort, HeaderShort, FieldShort, BadLengths } failure = None;
    bool hasMessage = false; // message holds something to apply, even on failure
    int64_t got = 0; // bytes the short read returned
    wire::LengthCheck lengths;
};

// Reads the next message. A MUSICPASS that breaks off is still returned with
// the fields that did arrive; its header's lengths are checked before any
// field is read, and a field's space grows only with its arriving bytes.
ReadResult readPhoneMessage(ByteSource &source, PhoneMessage &message);
