#include "wavwriter.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pcmdump {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// Full write despite short writes and interrupted calls; errno describes a failure.
bool writeFully(int fd, const unsigned char *data, std::size_t size, off_t offset, bool positioned)
{
    while (size > 0) {
        const ssize_t written = positioned ? ::pwrite(fd, data, size, offset) : ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

} // namespace

WavWriter::WavWriter(int fd, std::uint32_t maxDataBytes) : fd_(fd), maxDataBytes_(maxDataBytes)
{
    buffer_.reserve(kBufferSize);
    // Placeholder header; finish() writes the real sizes over it.
    const WavHeader header = wavHeader(0);
    buffer_.insert(buffer_.end(), header.begin(), header.end());
}

bool WavWriter::append(const unsigned char *data, std::size_t size)
{
    if (!error_.empty())
        return false;
    if (size > maxDataBytes_ - dataBytes_) {
        error_ = "audio too long for a WAV file (over " + std::to_string(maxDataBytes_) + " bytes of PCM)";
        return false;
    }
    dataBytes_ += static_cast<std::uint32_t>(size);
    buffer_.insert(buffer_.end(), data, data + size);
    return buffer_.size() < kBufferSize || flush();
}

bool WavWriter::finish()
{
    if (!error_.empty() || !flush())
        return false;
    const WavHeader header = wavHeader(dataBytes_);
    if (!writeFully(fd_, header.data(), header.size(), 0, true))
        return fail("cannot write WAV header", errno);
    return true;
}

bool WavWriter::flush()
{
    if (!writeFully(fd_, buffer_.data(), buffer_.size(), 0, false))
        return fail("cannot write WAV file", errno);
    buffer_.clear();
    return true;
}

bool WavWriter::fail(const std::string &what, int errorNumber)
{
    error_ = what + ": " + std::strerror(errorNumber);
    return false;
}

} // namespace pcmdump
