#include "sync/phonemessagereader.h"

ReadResult readPhoneMessage(ByteSource &source, PhoneMessage &message)
{
    ReadResult result;
    std::string bytes;
    int64_t got = source.read(bytes, wire::commandBytes);
    if (got < wire::commandBytes) {
        result.failure = ReadResult::CommandShort;
        result.got = got;
        return result;
    }
    const int32_t code = wire::readInt32(bytes.data());
    result.hasMessage = true;
    switch (code) {
    case wire::CMD_VERSION:
        got = source.read(bytes, 4);
        if (got < 4) {
            result.hasMessage = false;
            result.failure = ReadResult::VersionShort;
            result.got = got;
            return result;
        }
        message.kind = PhoneMessage::Version;
        message.number = wire::readInt32(bytes.data());
        return result;
    case wire::CMD_WANTBPMS:
        message.kind = PhoneMessage::WantBpms;
        return result;
    case wire::MUSICPASS:
        break;
    default:
        message.kind = PhoneMessage::Unknown;
        message.number = code;
        return result;
    }

    message.kind = PhoneMessage::MusicPass;
    message.fieldsArrived = 0;
    got = source.read(bytes, wire::lengthHeaderBytes);
    if (got < wire::lengthHeaderBytes) {
        result.failure = ReadResult::HeaderShort;
        result.got = got;
        return result;
    }
    const wire::MusicPassLengths lengths = wire::decodeLengths(bytes.data());
    result.lengths = wire::checkLengths(lengths);
    if (result.lengths.problem != wire::LengthCheck::Fine) {
        result.failure = ReadResult::BadLengths;
        return result;
    }
    for (int i = 0; i < wire::musicPassFieldCount; ++i) {
        std::string &field = message.fields[i];
        got = source.read(field, lengths[i]);
        if (got < lengths[i]) {
            field.clear();
            result.failure = ReadResult::FieldShort;
            result.got = got;
            return result;
        }
        message.fieldsArrived = i + 1;
    }
    return result;
}
