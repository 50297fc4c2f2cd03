#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wavformat.h"

namespace pcmdump {

// Streams PCM in the output format into an open, empty file and gives it a
// correct header at the end. The file descriptor stays owned by the caller.
class WavWriter
{
public:
    explicit WavWriter(int fd, std::uint32_t maxDataBytes = kMaxWavDataBytes);

    // False once the data would outgrow maxDataBytes or a write fails; see error().
    bool append(const unsigned char *data, std::size_t size);

    // Writes what is buffered and patches the header with the final sizes.
    bool finish();

    std::uint32_t dataBytes() const { return dataBytes_; }
    const std::string &error() const { return error_; }

private:
    bool flush();
    bool fail(const std::string &what, int errorNumber);

    int fd_;
    std::uint32_t maxDataBytes_;
    std::uint32_t dataBytes_ = 0;
    std::vector<unsigned char> buffer_;
    std::string error_;
};

} // namespace pcmdump
