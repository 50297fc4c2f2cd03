#pragma once

#include <taglib/tiostream.h>

#include <string>

// A TagLib stream over an open file descriptor that remembers the first
// failed read or write. TagLib's own file stream drops write errors, so a
// full disk would look like a saved tag; this one lets the caller refuse the
// result.
class FdStream : public TagLib::IOStream
{
public:
    // The descriptor stays the caller's: it is neither closed nor duplicated.
    // TagLib saves nothing through a read-only stream.
    enum class Access { ReadWrite, ReadOnly };
    FdStream(int fd, std::string name, Access access = Access::ReadWrite);

    // errno of the first failure, 0 when every read and write went through.
    int error() const { return firstError; }

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector &data) override;
    void insert(const TagLib::ByteVector &data, unsigned long start = 0, unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return access == Access::ReadOnly; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return position; }
    long length() override;
    void truncate(long length) override;

private:
    bool writeAt(const char *data, size_t size, long offset);
    // Moves the bytes from `from` to the end of the file so they start at `to`.
    void moveTail(long from, long to);
    void fail(int errorNumber);

    int fd;
    std::string fileName;
    Access access;
    long position = 0;
    int firstError = 0;
};
