#include "tags/xiphcomments.h"

#include <taglib/flacpicture.h>
#include <taglib/oggfile.h>
#include <taglib/tiostream.h>
#include <taglib/tstring.h>

using namespace TagLib;

namespace {

constexpr int flacCommentBlockType = 4;
// More metadata blocks than any real file has; the walk stops there.
constexpr int mostFlacBlocks = 4096;

quint32 littleEndian(const QByteArray &bytes, qint64 from)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(int(from) + i));
    return value;
}

ByteVector byteVector(const QByteArray &bytes) { return ByteVector(bytes.constData(), unsigned(bytes.size())); }

bool utf8Survives(const QByteArray &bytes)
{
    return String(byteVector(bytes), String::UTF8).data(String::UTF8) == byteVector(bytes);
}

// What TagLib accepts as a field name.
bool keySurvives(const QByteArray &key)
{
    if (key.isEmpty())
        return false;
    for (const char c : key)
        if (c < 0x20 || c > 0x7d || c == '=')
            return false;
    return true;
}

bool pictureSurvives(const QByteArray &base64)
{
    const ByteVector data = ByteVector::fromBase64(byteVector(base64));
    FLAC::Picture picture;
    return !data.isEmpty() && picture.parse(data);
}

bool fieldSurvives(const QByteArray &field)
{
    const int separator = field.indexOf('=');
    if (separator < 1)
        return false;
    const QByteArray key = field.left(separator).toUpper();
    const QByteArray value = field.mid(separator + 1);
    if (!keySurvives(key) || value.isEmpty())
        return false;
    // A picture of the old kind would be saved as one of the new.
    if (key == "COVERART")
        return false;
    if (key == "METADATA_BLOCK_PICTURE")
        return pictureSurvives(value);
    return utf8Survives(value);
}

} // namespace

bool xiphCommentsSurvive(const QByteArray &block, bool framed)
{
    qint64 at = 0;
    const qint64 size = block.size();
    if (size < 4)
        return false;
    const qint64 vendorLength = littleEndian(block, at);
    at += 4;
    if (vendorLength > size - at - 4 || !utf8Survives(block.mid(int(at), int(vendorLength))))
        return false;
    at += vendorLength;
    const quint32 count = littleEndian(block, at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        if (size - at < 4)
            return false;
        const qint64 length = littleEndian(block, at);
        at += 4;
        if (length > size - at || !fieldSurvives(block.mid(int(at), int(length))))
            return false;
        at += length;
    }
    if (framed) {
        if (at >= size || !(block.at(int(at)) & 1))
            return false;
        ++at;
    }
    for (; at < size; ++at)
        if (block.at(int(at)) != '\0')
            return false;
    return true;
}

bool flacCommentsSurvive(IOStream &stream)
{
    stream.seek(0);
    if (stream.readBlock(4) != "fLaC")
        return false;
    int comments = 0;
    bool last = false;
    for (int i = 0; i < mostFlacBlocks && !last; ++i) {
        const ByteVector header = stream.readBlock(4);
        if (header.size() < 4)
            return false;
        last = header[0] & 0x80;
        const unsigned length = header.toUInt(1, 3, true);
        if ((header[0] & 0x7f) != flacCommentBlockType) {
            stream.seek(long(length), IOStream::Current);
            continue;
        }
        const ByteVector block = stream.readBlock(length);
        if (++comments > 1 || block.size() != length
            || !xiphCommentsSurvive(QByteArray(block.data(), int(block.size())), false))
            return false;
    }
    return last;
}

bool oggCommentsSurvive(Ogg::File &file)
{
    const ByteVector second = file.packet(1);
    const QByteArray packet(second.data(), int(second.size()));
    if (packet.startsWith("\x03vorbis"))
        return xiphCommentsSurvive(packet.mid(7), true);
    if (packet.startsWith("OpusTags"))
        return xiphCommentsSurvive(packet.mid(8), false);
    // Ogg FLAC: one metadata block a packet after the first.
    for (unsigned i = 1; i < mostFlacBlocks; ++i) {
        const ByteVector block = file.packet(i);
        if (block.isEmpty())
            return true;
        if (block.size() < 4)
            return false;
        if ((block[0] & 0x7f) == flacCommentBlockType)
            return xiphCommentsSurvive(QByteArray(block.data() + 4, int(block.size()) - 4), false);
        if (block[0] & 0x80)
            return true;
    }
    return false;
}
