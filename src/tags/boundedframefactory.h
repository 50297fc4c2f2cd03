#pragma once

#include "tags/id3frameguard.h"

#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>

// TagLib keeps the frame header's class protected in Frame, yet a factory
// subclass must name it; a subclass of Frame may.
struct Id3v2FrameHeaderName : TagLib::ID3v2::Frame
{
    using Header = TagLib::ID3v2::Frame::Header;
};
using Id3v2FrameHeader = Id3v2FrameHeaderName::Header;

// A frame factory that lets TagLib inflate only compressed frames that are
// vouched for (see Id3FrameGuard), or that are too small to inflate past the
// bound while the file's total stays within it, and read only chapter frames
// that are vouched for. Any other such frame is read as an unknown frame of
// its stored bytes. This catches tags that the guard did not look over, such
// as one after junk at the start of an MP3 file, which TagLib goes looking
// for.
class BoundedFrameFactory : public TagLib::ID3v2::FrameFactory
{
public:
    explicit BoundedFrameFactory(const Id3FrameGuard &guard);

protected:
    bool updateFrame(Id3v2FrameHeader *header) const override;

private:
    bool mayInflate(const Id3v2FrameHeader &header) const;
    bool mayRead(const Id3v2FrameHeader &header) const;

    const Id3FrameGuard &guard;
    // What the frames let through unvouched may inflate to at most, together.
    mutable qint64 worstCaseInflated;
};
