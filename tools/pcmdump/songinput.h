#pragma once

#include <string>

struct AVIOContext;

namespace pcmdump {

// The song file, opened once, for the decoder to read through. It is opened
// without blocking and taken only when what was opened is a regular file: a
// FIFO would block the open until someone writes to it, and a device such as
// /dev/zero never ends. The decoder reads that same open file, so nothing put
// in its place under the same name later is read.
class SongInput
{
public:
    SongInput() = default;
    ~SongInput();
    SongInput(const SongInput &) = delete;
    SongInput &operator=(const SongInput &) = delete;

    bool open(const std::string &path, std::string &error);
    AVIOContext *io() const { return io_; }

private:
    int fd_ = -1;
    AVIOContext *io_ = nullptr;
};

} // namespace pcmdump
