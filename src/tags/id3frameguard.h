#pragma once

#include <QByteArray>
#include <set>
#include <utility>
#include <vector>

namespace TagLib {
class IOStream;
}

// ID3v2 frames may be zlib-compressed, and TagLib inflates them without any
// limit: a few hundred kilobytes of tag can stand for gigabytes. Chapter
// frames may nest without limit, and TagLib reads them by recursion (see
// chapterframes.h). Before TagLib reads a file, the ID3v2 tags at the start
// of the file and in the ID3 chunk of a WAV or AIFF file are looked over
// here: compressed frames are inflated with a bound and chapter frames'
// nesting counted; those within the bounds are vouched for, the others are
// hidden from TagLib (see GuardedStream). BoundedFrameFactory hides those of
// any other tag TagLib finds.

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

struct Id3FrameGuard
{
    // Compressed frames found to inflate within the bound, and chapter
    // frames found to nest within it, by frame ID and stored size.
    std::set<std::pair<QByteArray, unsigned>> vouched;
    // The bytes inflated to find out, those of frames found too large included.
    qint64 inflated = 0;
    // Turn each frame past a bound into an uncompressed frame of an unknown
    // ID, and the ID3 chunk of a tag that cannot be made
    // out into a chunk readers skip.
    std::vector<BytePatch> patches;
};

// Leaves the stream at its start, where TagLib expects it.
Id3FrameGuard guardId3Frames(TagLib::IOStream &stream);
