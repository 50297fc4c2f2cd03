#pragma once

#include <QByteArray>
#include <set>
#include <utility>
#include <vector>

namespace TagLib {
class IOStream;
}

// ID3v2 frames may be zlib-compressed, and TagLib inflates them without any
// limit: a few hundred kilobytes of tag can stand for gigabytes. Before
// TagLib reads a file, the compressed frames of its ID3v2 tags (at the start
// of the file and in the ID3 chunk of a WAV or AIFF file) are inflated here
// with a bound; those that stay within it are vouched for, the others are
// hidden from TagLib (see GuardedStream).

// A frame may inflate to at most this much, and all frames of a file together
// to the total: more than any title or cover needs.
constexpr qint64 frameInflateLimit = qint64(1) << 20;
constexpr qint64 fileInflateLimit = qint64(8) << 20;

// Bytes to put in place of a file's bytes at an offset while TagLib reads it.
struct BytePatch
{
    long offset = 0;
    QByteArray bytes;
};

struct CompressedFrameGuard
{
    // Compressed frames found to inflate within the bound, by frame ID and
    // stored size.
    std::set<std::pair<QByteArray, unsigned>> vouched;
    // The bytes inflated to find out, those of frames found too large included.
    qint64 inflated = 0;
    // Turn each frame that would inflate past the bound into an uncompressed
    // frame of an unknown ID, and the ID3 chunk of a tag that cannot be made
    // out into a chunk readers skip.
    std::vector<BytePatch> patches;
};

// Leaves the stream at its start, where TagLib expects it.
CompressedFrameGuard guardCompressedFrames(TagLib::IOStream &stream);
