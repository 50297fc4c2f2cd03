#include "tags/guardedstream.h"

#include <algorithm>

GuardedStream::GuardedStream(TagLib::IOStream &inner, std::vector<BytePatch> patches)
    : inner(inner), patches(std::move(patches))
{}

TagLib::ByteVector GuardedStream::readBlock(unsigned long length)
{
    const long start = inner.tell();
    TagLib::ByteVector block = inner.readBlock(length);
    const long end = start + long(block.size());
    for (const BytePatch &patch : patches) {
        const long from = std::max(start, patch.offset);
        const long to = std::min(end, patch.offset + long(patch.bytes.size()));
        for (long at = from; at < to; ++at)
            block[static_cast<unsigned>(at - start)] = patch.bytes.at(int(at - patch.offset));
    }
    return block;
}
