#pragma once

#include <string>

namespace pcmdump {

// FFmpeg's text for one of its negative error codes.
std::string ffmpegError(int code);

} // namespace pcmdump
