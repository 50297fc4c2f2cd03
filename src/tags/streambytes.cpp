#include "tags/streambytes.h"
#include "tags/id3v2layout.h"

#include <taglib/tiostream.h>

QByteArray readBytesAt(TagLib::IOStream &stream, long offset, long length)
{
    stream.seek(offset);
    const TagLib::ByteVector block = stream.readBlock(static_cast<unsigned long>(length));
    return QByteArray(block.data(), int(block.size()));
}

void writeBytesAt(TagLib::IOStream &stream, long offset, const QByteArray &bytes)
{
    stream.seek(offset);
    stream.writeBlock(TagLib::ByteVector(bytes.constData(), unsigned(bytes.size())));
}

std::optional<QByteArray> readId3v2TagAt(TagLib::IOStream &stream, long offset, long available)
{
    const qint64 length = id3v2TagLength(readBytesAt(stream, offset, id3v2HeaderSize));
    if (length == 0 || length > available)
        return std::nullopt;
    const QByteArray tag = readBytesAt(stream, offset, long(length));
    if (tag.size() != length)
        return std::nullopt;
    return tag;
}
