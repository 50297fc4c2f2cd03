#include "ffmpegerror.h"

extern "C" {
#include <libavutil/error.h>
}

namespace pcmdump {

std::string ffmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace pcmdump
