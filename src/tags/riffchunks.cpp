#include "tags/riffchunks.h"
#include "tags/streambytes.h"

#include <taglib/tiostream.h>

#include <algorithm>

namespace {

constexpr long headerSize = 8;

quint32 sizeFrom(const QByteArray &bytes, int from, bool bigEndian)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        const quint32 byte = static_cast<unsigned char>(bytes.at(from + i));
        value |= bigEndian ? byte << (8 * (3 - i)) : byte << (8 * i);
    }
    return value;
}

QByteArray sizeBytes(quint32 value, bool bigEndian)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[bigEndian ? 3 - i : i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}

} // namespace

std::optional<RiffLayout> riffLayout(TagLib::IOStream &stream)
{
    const QByteArray header = readBytesAt(stream, 0, 12);
    if (header.size() < 12)
        return std::nullopt;
    RiffLayout layout;
    if (header.startsWith("RIFF") && header.mid(8) == "WAVE")
        layout.bigEndian = false;
    else if (header.startsWith("FORM") && (header.mid(8) == "AIFF" || header.mid(8) == "AIFC"))
        layout.bigEndian = true;
    else
        return std::nullopt;
    layout.formSize = long(sizeFrom(header, 4, layout.bigEndian));
    const long end = std::min(headerSize + layout.formSize, stream.length());
    long offset = 12;
    while (offset + headerSize <= end) {
        const QByteArray chunkHeader = readBytesAt(stream, offset, headerSize);
        if (chunkHeader.size() < headerSize)
            return std::nullopt;
        RiffChunk chunk{chunkHeader.left(4), offset, sizeFrom(chunkHeader, 4, layout.bigEndian)};
        const long dataEnd = offset + headerSize + long(chunk.dataSize);
        if (dataEnd > end)
            return std::nullopt;
        layout.chunks.push_back(chunk);
        offset = std::min(end, dataEnd + long(chunk.dataSize & 1));
    }
    layout.chunksEnd = offset;
    return layout;
}

bool isId3Chunk(const QByteArray &id) { return id == "ID3 " || id == "id3 "; }

std::optional<QByteArray> riffChunkData(TagLib::IOStream &stream, const RiffChunk &chunk)
{
    const QByteArray data = readBytesAt(stream, chunk.offset + headerSize, chunk.dataSize);
    if (data.size() != qint64(chunk.dataSize))
        return std::nullopt;
    return data;
}

void setRiffChunkData(TagLib::IOStream &stream, const RiffLayout &layout, int index, const QByteArray &data)
{
    const QByteArray padded = data + QByteArray(data.size() & 1, '\0');
    long oldLength = 0; // of the replaced bytes, chunk header included
    long offset = layout.chunksEnd;
    if (index >= 0) {
        const RiffChunk &chunk = layout.chunks[size_t(index)];
        offset = chunk.offset;
        const long next =
            size_t(index) + 1 < layout.chunks.size() ? layout.chunks[size_t(index) + 1].offset : layout.chunksEnd;
        oldLength = next - offset;
    }
    const QByteArray id = index >= 0 ? layout.chunks[size_t(index)].id : QByteArray("ID3 ");
    const QByteArray chunk = id + sizeBytes(quint32(data.size()), layout.bigEndian) + padded;
    if (long(chunk.size()) == oldLength)
        writeBytesAt(stream, offset, chunk);
    else
        stream.insert(TagLib::ByteVector(chunk.constData(), unsigned(chunk.size())), offset, oldLength);
    writeBytesAt(stream, 4, sizeBytes(quint32(layout.formSize + long(chunk.size()) - oldLength), layout.bigEndian));
}
