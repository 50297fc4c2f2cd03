#include "tags/id3v2layout.h"

namespace {

constexpr unsigned char tagUnsynchronised = 0x80;
constexpr unsigned char tagExtendedHeader = 0x40; // compression in 2.2
constexpr unsigned char tagExperimental = 0x20;
constexpr unsigned char tagFooter = 0x10;

unsigned char byteAt(const QByteArray &bytes, int index) { return static_cast<unsigned char>(bytes.at(index)); }

quint32 bigEndian(const QByteArray &bytes, int from, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | byteAt(bytes, from + i);
    return value;
}

// Seven bits a byte; nothing when a byte has its top bit set.
std::optional<quint32> syncsafe(const QByteArray &bytes, int from)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned char byte = byteAt(bytes, from + i);
        if (byte & 0x80)
            return std::nullopt;
        value = value << 7 | byte;
    }
    return value;
}

bool isAlphanumeric(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Letters and digits of either case; after the first character also a space
// or a zero byte, as a three-character ID written into a later version ends.
// A zero byte first is where padding starts.
bool isFrameId(const QByteArray &id)
{
    for (int i = 0; i < id.size(); ++i)
        if (!isAlphanumeric(id.at(i)) && (i == 0 || (id.at(i) != ' ' && id.at(i) != '\0')))
            return false;
    return true;
}

// The first byte after the extended header; nothing when it cannot be kept.
std::optional<int> framesStart(const QByteArray &tag, int version, int bodyEnd, int *paddingSizeField)
{
    const unsigned char flags = byteAt(tag, 5);
    if (!(flags & tagExtendedHeader) || version == 2)
        return id3v2HeaderSize;
    if (bodyEnd - id3v2HeaderSize < 6)
        return std::nullopt;
    if (version == 3) {
        // Size (without itself), two flag bytes, the padding size, then a
        // checksum when the first flag's top bit is set: a checksum of the
        // frames would be wrong once they change.
        const quint32 size = bigEndian(tag, id3v2HeaderSize, 4);
        if (size != 6 || (byteAt(tag, id3v2HeaderSize + 4) & 0x80))
            return std::nullopt;
        *paddingSizeField = id3v2HeaderSize + 6;
        return id3v2HeaderSize + 4 + 6;
    }
    // 2.4: the size includes itself; one flag byte follows its count.
    const std::optional<quint32> size = syncsafe(tag, id3v2HeaderSize);
    if (!size || *size < 6 || *size > quint32(bodyEnd - id3v2HeaderSize) || byteAt(tag, id3v2HeaderSize + 4) != 1
        || (byteAt(tag, id3v2HeaderSize + 5) & 0x20))
        return std::nullopt;
    return id3v2HeaderSize + int(*size);
}

// Reads one frame header at `offset`; nothing when it is not one or runs past `end`.
// `plainSizes`: 2.4 frame sizes written as plain 32-bit numbers, as some
// programs did, instead of syncsafe ones.
std::optional<Id3v2Frame> frameAt(const QByteArray &tag, int version, int offset, int end, bool plainSizes)
{
    const int idLength = version == 2 ? 3 : 4;
    const int headerLength = version == 2 ? 6 : 10;
    if (end - offset < headerLength)
        return std::nullopt;
    Id3v2Frame frame;
    frame.offset = offset;
    frame.id = tag.mid(offset, idLength);
    if (!isFrameId(frame.id))
        return std::nullopt;
    quint32 bodySize = 0;
    if (version == 2) {
        bodySize = bigEndian(tag, offset + 3, 3);
    } else if (version == 3 || plainSizes) {
        bodySize = bigEndian(tag, offset + 4, 4);
    } else {
        const std::optional<quint32> size = syncsafe(tag, offset + 4);
        if (!size)
            return std::nullopt;
        bodySize = *size;
    }
    const unsigned char format = version == 2 ? 0 : byteAt(tag, offset + 9);
    if (version == 3) {
        frame.compressed = (format & 0x80) && !(format & 0x40);
    } else if (version == 4) {
        frame.compressed = (format & 0x08) && !(format & 0x04);
        frame.unsynchronised = (format & 0x02) || (byteAt(tag, 5) & tagUnsynchronised);
    }
    if (bodySize > quint32(end - offset - headerLength))
        return std::nullopt;
    frame.size = headerLength + int(bodySize);
    return frame;
}

// Fills in the frames; false when they and zero padding do not account for
// the body.
bool walkFrames(const QByteArray &tag, Id3v2Layout &layout, bool plainSizes)
{
    layout.frames.clear();
    int offset = layout.framesStart;
    while (offset < layout.bodyEnd && tag.at(offset) != '\0') {
        const std::optional<Id3v2Frame> frame = frameAt(tag, layout.majorVersion, offset, layout.bodyEnd, plainSizes);
        if (!frame)
            return false;
        layout.frames.push_back(*frame);
        offset += frame->size;
    }
    for (; offset < layout.bodyEnd; ++offset)
        if (tag.at(offset) != '\0')
            return false;
    return true;
}

} // namespace

qint64 id3v2TagLength(const QByteArray &header)
{
    if (header.size() < id3v2HeaderSize || !header.startsWith("ID3"))
        return 0;
    const std::optional<quint32> size = syncsafe(header, 6);
    if (!size)
        return 0;
    const bool footer = byteAt(header, 3) == 4 && (byteAt(header, 5) & tagFooter);
    return id3v2HeaderSize + qint64(*size) + (footer ? id3v2HeaderSize : 0);
}

std::optional<Id3v2Layout> id3v2Layout(const QByteArray &tag)
{
    const qint64 length = id3v2TagLength(tag);
    if (length == 0 || length != tag.size())
        return std::nullopt;
    Id3v2Layout layout;
    layout.majorVersion = byteAt(tag, 3);
    const unsigned char flags = byteAt(tag, 5);
    // Unsynchronisation of a whole 2.2 or 2.3 tag changes every frame's bytes
    // as stored; such a tag is not edited. 2.4 marks it per frame.
    unsigned char knownFlags = 0;
    switch (layout.majorVersion) {
    case 2:
        knownFlags = 0; // unsynchronised or compressed as a whole
        break;
    case 3:
        knownFlags = tagExtendedHeader | tagExperimental;
        break;
    case 4:
        knownFlags = tagUnsynchronised | tagExtendedHeader | tagExperimental | tagFooter;
        break;
    default:
        return std::nullopt;
    }
    if ((flags & ~knownFlags) != 0 || byteAt(tag, 4) == 0xff)
        return std::nullopt;
    layout.hasFooter = flags & tagFooter;
    layout.bodyEnd = int(length) - (layout.hasFooter ? id3v2HeaderSize : 0);
    if (layout.hasFooter && !tag.mid(layout.bodyEnd).startsWith("3DI"))
        return std::nullopt;
    const std::optional<int> start = framesStart(tag, layout.majorVersion, layout.bodyEnd, &layout.paddingSizeField);
    if (!start)
        return std::nullopt;
    layout.framesStart = *start;

    if (!walkFrames(tag, layout, false) && !(layout.majorVersion == 4 && walkFrames(tag, layout, true)))
        return std::nullopt;
    return layout;
}
