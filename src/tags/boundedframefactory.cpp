#include "tags/boundedframefactory.h"

#include "tags/chapterframes.h"

#include <taglib/id3v2synchdata.h>

using namespace TagLib;

namespace {

// zlib's deflate cannot pack more than about 1032 bytes into one.
constexpr qint64 deflateRatio = 1032;

} // namespace

BoundedFrameFactory::BoundedFrameFactory(const Id3FrameGuard &guard) : guard(guard), worstCaseInflated(guard.inflated)
{}

bool BoundedFrameFactory::mayInflate(const Id3v2FrameHeader &header) const
{
    const QByteArray id(header.frameID().data(), int(header.frameID().size()));
    if (guard.vouched.count({id, header.frameSize()}))
        return true;
    const qint64 worstCase = qint64(header.frameSize()) * deflateRatio;
    if (worstCase > frameInflateLimit || worstCaseInflated + worstCase > fileInflateLimit)
        return false;
    worstCaseInflated += worstCase;
    return true;
}

bool BoundedFrameFactory::mayRead(const Id3v2FrameHeader &header) const
{
    const QByteArray id(header.frameID().data(), int(header.frameID().size()));
    if (isChapterFrameId(id))
        return guard.vouched.count({id, header.frameSize()}) != 0;
    return header.version() < 3 || !header.compression() || header.encryption() || mayInflate(header);
}

bool BoundedFrameFactory::updateFrame(Id3v2FrameHeader *header) const
{
    const unsigned version = header->version();
    if (!mayRead(*header)) {
        // The same header under an unknown ID and without compression: its
        // bytes stay as they are and nothing reads them. (A compressed one is
        // not encrypted.)
        // 2.2 has no chapter frames and no compression of its own frames.
        const char format = version == 3
            ? char(header->groupingIdentity() ? 0x20 : 0)
            : char((header->groupingIdentity() ? 0x40 : 0) | (header->unsynchronisation() ? 0x02 : 0)
                   | (header->dataLengthIndicator() ? 0x01 : 0));
        const ByteVector size =
            version == 3 ? ByteVector::fromUInt(header->frameSize()) : ID3v2::SynchData::fromUInt(header->frameSize());
        header->setData(ByteVector("ZZZZ") + size + ByteVector(1, '\0') + ByteVector(1, format), version);
    }
    return FrameFactory::updateFrame(header);
}
