#pragma once

#include <array>
#include <cstdint>
#include <string>

// The bytes of a phone session: little-endian integers, texts as UTF-8 with
// their byte count sent ahead of them. Shared by the desktop and the phone tool.
namespace wire {

// The TCP port of the session and the UDP port of the discovery datagram.
constexpr uint16_t syncPort = 4950;
// The discovery datagram: these 8 bytes, no terminating zero.
constexpr char discoveryDatagram[] = "magic983";
constexpr int discoveryDatagramBytes = 8;

enum Command : int32_t {
    CMD_VERSION = 1,
    MUSICPASS = 2,
    CMD_WANTBPMS = 3,
    CMD_BPMRECORD = 4,
    CMD_DONE = 5,
};

// The fields of a MUSICPASS message, in the order they travel.
enum MusicPassField {
    PersistentID,
    UserChanged,
    Title,
    AlbumTitle,
    Artist,
    AlbumArtist,
    Genre,
    Composer,
    BPM,
    OnDevice,
    musicPassFieldCount
};
extern const char *const musicPassFieldNames[musicPassFieldCount];

using MusicPassFields = std::array<std::string, musicPassFieldCount>;
using MusicPassLengths = std::array<int32_t, musicPassFieldCount>;

constexpr int commandBytes = 4;
constexpr int lengthHeaderBytes = 4 * musicPassFieldCount;
constexpr int bpmRecordBytes = 12;

// The largest field and message the desktop accepts: far beyond any song's
// texts, small enough that a lying header cannot exhaust memory.
constexpr int32_t maxFieldBytes = 1 << 20;
constexpr int64_t maxMusicPassBytes = 8 << 20;

void appendInt32(std::string &out, int32_t value);
int32_t readInt32(const char *bytes);

std::string encodeVersion(int32_t version);
std::string encodeMusicPass(const MusicPassFields &fields);
std::string encodeWantBpms();
// A CMD_BPMRECORD code with its 12-byte record: the ID, the low 16 bits of
// the BPM and two zero padding bytes.
std::string encodeBpmRecord(int64_t persistentID, int bpm);
std::string encodeDone();

MusicPassLengths decodeLengths(const char *header);

struct LengthCheck
{
    enum Problem { Fine, Negative, FieldTooLong, MessageTooLong } problem = Fine;
    int field = -1; // the offending field, for Negative and FieldTooLong
    int64_t total = 0;
};
LengthCheck checkLengths(const MusicPassLengths &lengths);

struct BpmRecord
{
    int64_t persistentID = 0;
    int16_t bpm = 0;
};
// Decodes the 12 bytes that follow a CMD_BPMRECORD code.
BpmRecord decodeBpmRecord(const char *bytes);

} // namespace wire
