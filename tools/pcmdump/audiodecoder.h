#pragma once

#include "songinput.h"

#include <memory>
#include <string>

struct AVCodecContext;
struct AVFormatContext;

namespace pcmdump {

class WavWriter;

// Decodes the main audio stream of a file with FFmpeg and feeds it, converted
// to the output format, to a WavWriter.
class AudioDecoder
{
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder &) = delete;
    AudioDecoder &operator=(const AudioDecoder &) = delete;

    bool open(const std::string &path, std::string &error);
    bool decodeInto(WavWriter &writer, std::string &error);

private:
    struct FormatCloser
    {
        void operator()(AVFormatContext *context) const;
    };
    struct CodecFreer
    {
        void operator()(AVCodecContext *context) const;
    };

    std::string path_;
    // Outlives the format context that reads through it.
    SongInput input_;
    std::unique_ptr<AVFormatContext, FormatCloser> format_;
    std::unique_ptr<AVCodecContext, CodecFreer> codec_;
    int streamIndex_ = -1;
};

} // namespace pcmdump
