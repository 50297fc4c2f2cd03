#include "tags/id3frameguard.h"
#include "tags/boundedinflate.h"
#include "tags/chapterframes.h"
#include "tags/id3v2layout.h"
#include "tags/riffchunks.h"
#include "tags/streambytes.h"

#include <taglib/tiostream.h>

#include <algorithm>

namespace {

// Unsynchronisation puts a zero after every 0xFF; readers take it out again.
QByteArray withoutUnsynchronisation(const QByteArray &bytes)
{
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (int i = 0; i < bytes.size(); ++i) {
        decoded += bytes.at(i);
        if (bytes.at(i) == '\xff' && i + 1 < bytes.size() && bytes.at(i + 1) == '\0')
            ++i;
    }
    return decoded;
}

// The frame header with an ID no reader knows and no compression flag.
QByteArray hiddenFrameHeader(const QByteArray &tag, const Id3v2Frame &frame, int version)
{
    QByteArray header = tag.mid(frame.offset, 10);
    header.replace(0, 4, "ZZZZ");
    header[9] = char(header.at(9) & (version == 3 ? ~0x80 : ~0x08));
    return header;
}

void guardTag(const QByteArray &tag, long tagOffset, Id3FrameGuard &guard)
{
    const std::optional<Id3v2Layout> layout = id3v2Layout(tag);
    if (!layout)
        return;
    const int headerLength = 10; // only 2.3 and 2.4 frames are compressed one by one
    for (const Id3v2Frame &frame : layout->frames) {
        if (isChapterFrameId(frame.id)) {
            // A compressed one would have to be inflated to be counted: no
            // real file compresses its chapters.
            if (frame.compressed
                || chapterNestsTooDeep(tag.mid(frame.offset + headerLength, frame.size - headerLength)))
                guard.patches.push_back(
                    {tagOffset + frame.offset, hiddenFrameHeader(tag, frame, layout->majorVersion)});
            else
                guard.vouched.insert({frame.id, unsigned(frame.size - headerLength)});
            continue;
        }
        if (!frame.compressed)
            continue;
        QByteArray body = tag.mid(frame.offset + headerLength, frame.size - headerLength);
        if (frame.unsynchronised)
            body = withoutUnsynchronisation(body);
        // Readers take the four bytes after the header for the inflated size.
        const qint64 limit = std::min(frameInflateLimit, fileInflateLimit - guard.inflated);
        const qint64 size = limit > 0 ? inflatedSize(body.mid(4), limit) : -1;
        // A frame found too large took up to the limit to find out; that
        // counts too, so a tag of many bombs costs no more than one of few.
        guard.inflated += size >= 0 ? size : std::max<qint64>(limit, 0);
        if (size >= 0) {
            guard.vouched.insert({frame.id, unsigned(frame.size - headerLength)});
        } else {
            guard.patches.push_back({tagOffset + frame.offset, hiddenFrameHeader(tag, frame, layout->majorVersion)});
        }
    }
}

} // namespace

Id3FrameGuard guardId3Frames(TagLib::IOStream &stream)
{
    Id3FrameGuard guard;
    if (const std::optional<QByteArray> tag = readId3v2TagAt(stream, 0, stream.length()))
        guardTag(*tag, 0, guard);
    if (const std::optional<RiffLayout> riff = riffLayout(stream)) {
        for (const RiffChunk &chunk : riff->chunks) {
            if (!isId3Chunk(chunk.id))
                continue;
            const long dataOffset = chunk.offset + 8;
            const std::optional<QByteArray> tag = readId3v2TagAt(stream, dataOffset, long(chunk.dataSize));
            // TagLib reads such a chunk with its own unbounded frame factory,
            // so one whose frames cannot be walked is not given to it at all.
            if (tag && id3v2Layout(*tag))
                guardTag(*tag, dataOffset, guard);
            else
                guard.patches.push_back({chunk.offset, QByteArray("JUNK")});
        }
    }
    // TagLib's RIFF reading starts where the stream stands.
    stream.seek(0);
    return guard;
}
