// Feeds arbitrary bytes to the phone message reader as one session's stream.
// Beyond not crashing: a complete MUSICPASS re-encodes to exactly the bytes
// it was read from, and nothing is read that the stream did not hold.
#include "sync/phonemessagereader.h"
#include "sync/wirecodec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

class FuzzStream : public ByteSource
{
public:
    FuzzStream(const uint8_t *data, size_t size) : data(data), size(size) {}

    int64_t read(std::string &out, int64_t count) override
    {
        if (count < 0)
            std::abort();
        const int64_t got = std::min<int64_t>(count, static_cast<int64_t>(size - position));
        out.assign(reinterpret_cast<const char *>(data) + position, static_cast<size_t>(got));
        position += static_cast<size_t>(got);
        return got;
    }

    const uint8_t *data;
    size_t size;
    size_t position = 0;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzStream stream(data, size);
    // Every message but a failed one consumes at least its 4-byte code.
    for (size_t messages = 0; messages <= size / 4; ++messages) {
        const size_t start = stream.position;
        PhoneMessage message;
        const ReadResult result = readPhoneMessage(stream, message);
        check(stream.position <= size);
        if (result.failure == ReadResult::None && message.kind == PhoneMessage::MusicPass) {
            const std::string encoded = wire::encodeMusicPass(message.fields);
            check(encoded.size() == stream.position - start);
            check(std::memcmp(encoded.data(), data + start, encoded.size()) == 0);
        }
        if (result.failure == ReadResult::BadLengths)
            check(stream.position - start == wire::commandBytes + wire::lengthHeaderBytes);
        if (result.failure != ReadResult::None || message.kind == PhoneMessage::WantBpms)
            break;
    }
    if (size >= wire::bpmRecordBytes) {
        const wire::BpmRecord record = wire::decodeBpmRecord(reinterpret_cast<const char *>(data));
        const std::string encoded = wire::encodeBpmRecord(record.persistentID, record.bpm);
        check(std::memcmp(encoded.data() + wire::commandBytes, data, 10) == 0);
    }
    return 0;
}
