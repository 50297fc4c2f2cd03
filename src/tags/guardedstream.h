#pragma once

#include "tags/id3frameguard.h"

#include <taglib/tiostream.h>

// A read-only view of another stream in which a few bytes read differently
// (see Id3FrameGuard): TagLib reads the file through it and never
// meets a frame that would inflate past the bound. Writes are refused.
class GuardedStream : public TagLib::IOStream
{
public:
    GuardedStream(TagLib::IOStream &inner, std::vector<BytePatch> patches);

    TagLib::FileName name() const override { return inner.name(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector &) override {}
    void insert(const TagLib::ByteVector &, unsigned long = 0, unsigned long = 0) override {}
    void removeBlock(unsigned long = 0, unsigned long = 0) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return inner.isOpen(); }
    void seek(long offset, Position p = Beginning) override { inner.seek(offset, p); }
    void clear() override { inner.clear(); }
    long tell() const override { return inner.tell(); }
    long length() override { return inner.length(); }
    void truncate(long) override {}

private:
    TagLib::IOStream &inner;
    std::vector<BytePatch> patches;
};
