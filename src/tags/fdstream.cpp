#include "tags/fdstream.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// Tails are moved through a buffer of this size, so a long file never has
// to fit in memory.
constexpr long moveChunk = 1 << 20;
} // namespace

FdStream::FdStream(int fd, std::string name, Access access) : fd(fd), fileName(std::move(name)), access(access) {}

TagLib::FileName FdStream::name() const { return fileName.c_str(); }

void FdStream::fail(int errorNumber)
{
    if (firstError == 0)
        firstError = errorNumber ? errorNumber : EIO;
}

TagLib::ByteVector FdStream::readBlock(unsigned long length)
{
    TagLib::ByteVector block(static_cast<unsigned int>(length), '\0');
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, block.data() + done, length - done, position + long(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(errno);
        if (got <= 0)
            break;
        done += size_t(got);
    }
    block.resize(static_cast<unsigned int>(done));
    position += long(done);
    return block;
}

bool FdStream::writeAt(const char *data, size_t size, long offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, data + done, size - done, offset + long(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            fail(put < 0 ? errno : EIO);
            return false;
        }
        done += size_t(put);
    }
    return true;
}

void FdStream::writeBlock(const TagLib::ByteVector &data)
{
    if (writeAt(data.data(), data.size(), position))
        position += long(data.size());
}

void FdStream::moveTail(long from, long to)
{
    const long end = length();
    const long tail = end - from;
    if (tail <= 0 || from == to)
        return;
    std::vector<char> buffer(size_t(std::min(tail, moveChunk)));
    // Growing moves the last chunk first and shrinking the first chunk first,
    // so no chunk overwrites bytes that have yet to move.
    for (long moved = 0; moved < tail && firstError == 0;) {
        const long size = std::min(moveChunk, tail - moved);
        const long offset = to > from ? end - moved - size : from + moved;
        ssize_t got = ::pread(fd, buffer.data(), size_t(size), offset);
        while (got < 0 && errno == EINTR)
            got = ::pread(fd, buffer.data(), size_t(size), offset);
        if (got != size) {
            fail(got < 0 ? errno : EIO);
            return;
        }
        writeAt(buffer.data(), size_t(size), offset + (to - from));
        moved += size;
    }
}

void FdStream::insert(const TagLib::ByteVector &data, unsigned long start, unsigned long replace)
{
    const long begin = long(start);
    const long oldEnd = begin + long(replace);
    const long newEnd = begin + long(data.size());
    const long fileLength = length();
    moveTail(oldEnd, newEnd);
    if (newEnd < oldEnd && oldEnd < fileLength)
        truncate(fileLength - (oldEnd - newEnd));
    if (writeAt(data.data(), data.size(), begin))
        position = newEnd;
}

void FdStream::removeBlock(unsigned long start, unsigned long length)
{
    const long begin = long(start);
    const long fileLength = this->length();
    const long end = std::min(fileLength, begin + long(length));
    if (end <= begin)
        return;
    moveTail(end, begin);
    truncate(fileLength - (end - begin));
}

void FdStream::seek(long offset, Position p)
{
    switch (p) {
    case Beginning:
        position = offset;
        break;
    case Current:
        position += offset;
        break;
    case End:
        position = length() + offset;
        break;
    }
    if (position < 0)
        position = 0;
}

long FdStream::length()
{
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        fail(errno);
        return 0;
    }
    return long(info.st_size);
}

void FdStream::truncate(long length)
{
    if (::ftruncate(fd, length) != 0)
        fail(errno);
}
