#pragma once

#include <QByteArray>
#include <optional>

namespace TagLib {
class IOStream;
}

// Bytes of a TagLib stream at an offset, as Qt byte arrays.

// Up to `length` bytes; fewer at the end of the stream.
QByteArray readBytesAt(TagLib::IOStream &stream, long offset, long length);
void writeBytesAt(TagLib::IOStream &stream, long offset, const QByteArray &bytes);

// The whole ID3v2 tag at `offset`: nothing when there is no tag header there
// or the tag is longer than the `available` bytes.
std::optional<QByteArray> readId3v2TagAt(TagLib::IOStream &stream, long offset, long available);
