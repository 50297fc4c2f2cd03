#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

namespace TagLib {
class IOStream;
}

// The chunks of a RIFF WAVE or an AIFF (FORM) file, read from their headers.

struct RiffChunk
{
    QByteArray id;
    long offset = 0; // of the chunk header
    quint32 dataSize = 0;
};

struct RiffLayout
{
    bool bigEndian = false; // AIFF
    long formSize = 0; // the size the file's first header gives
    long chunksEnd = 0; // where the last chunk (and its pad byte) ends
    std::vector<RiffChunk> chunks;
};

// Nothing when the stream is no RIFF WAVE or AIFF file, or a chunk runs past
// its end (a last chunk may lack its pad byte).
std::optional<RiffLayout> riffLayout(TagLib::IOStream &stream);

// WAV and AIFF files keep their ID3v2 tag in a chunk of one of these names.
bool isId3Chunk(const QByteArray &id);

// The chunk's data, or nothing when the stream gives less.
std::optional<QByteArray> riffChunkData(TagLib::IOStream &stream, const RiffChunk &chunk);

// Gives chunk `index` of `layout` the new data, or adds an "ID3 " chunk at
// the end when `index` is -1, and sets the chunk's and the file's sizes.
void setRiffChunkData(TagLib::IOStream &stream, const RiffLayout &layout, int index, const QByteArray &data);
