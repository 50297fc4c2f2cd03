#include "sync/wirecodec.h"

namespace wire {

const char *const musicPassFieldNames[musicPassFieldCount] = {
    "PersistentID", "UserChanged", "Title",    "AlbumTitle", "Artist",
    "AlbumArtist",  "Genre",       "Composer", "BPM",        "OnDevice",
};

namespace {

void appendLittleEndian(std::string &out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t readLittleEndian(const char *bytes, int count)
{
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::string commandOnly(int32_t code)
{
    std::string out;
    appendInt32(out, code);
    return out;
}

} // namespace

void appendInt32(std::string &out, int32_t value) { appendLittleEndian(out, static_cast<uint32_t>(value), 4); }

int32_t readInt32(const char *bytes) { return static_cast<int32_t>(static_cast<uint32_t>(readLittleEndian(bytes, 4))); }

std::string encodeVersion(int32_t version)
{
    std::string out = commandOnly(CMD_VERSION);
    appendInt32(out, version);
    return out;
}

std::string encodeMusicPass(const MusicPassFields &fields)
{
    std::string out = commandOnly(MUSICPASS);
    for (const std::string &field : fields)
        appendInt32(out, static_cast<int32_t>(field.size()));
    for (const std::string &field : fields)
        out += field;
    return out;
}

std::string encodeWantBpms() { return commandOnly(CMD_WANTBPMS); }
std::string encodeDone() { return commandOnly(CMD_DONE); }

std::string encodeBpmRecord(int64_t persistentID, int bpm)
{
    std::string out = commandOnly(CMD_BPMRECORD);
    appendLittleEndian(out, static_cast<uint64_t>(persistentID), 8);
    appendLittleEndian(out, static_cast<uint32_t>(bpm) & 0xFFFF, 2);
    appendLittleEndian(out, 0, 2);
    return out;
}

MusicPassLengths decodeLengths(const char *header)
{
    MusicPassLengths lengths;
    for (int i = 0; i < musicPassFieldCount; ++i)
        lengths[i] = readInt32(header + 4 * i);
    return lengths;
}

LengthCheck checkLengths(const MusicPassLengths &lengths)
{
    LengthCheck check;
    for (int i = 0; i < musicPassFieldCount; ++i) {
        if (lengths[i] < 0 || lengths[i] > maxFieldBytes) {
            check.problem = lengths[i] < 0 ? LengthCheck::Negative : LengthCheck::FieldTooLong;
            check.field = i;
            return check;
        }
        check.total += lengths[i];
    }
    if (check.total > maxMusicPassBytes)
        check.problem = LengthCheck::MessageTooLong;
    return check;
}

BpmRecord decodeBpmRecord(const char *bytes)
{
    BpmRecord record;
    record.persistentID = static_cast<int64_t>(readLittleEndian(bytes, 8));
    record.bpm = static_cast<int16_t>(static_cast<uint16_t>(readLittleEndian(bytes + 8, 2)));
    return record;
}

} // namespace wire
