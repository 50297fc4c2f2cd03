#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace pcmdump {

class WavWriter;

// Whether an input sample rate is one to convert; error says why not.
bool sampleRateAccepted(int rate, std::string &error);

// Converts decoded frames of any layout, rate and sample format to the output
// format; follows format changes in the middle of a stream.
class PcmConverter
{
public:
    explicit PcmConverter(WavWriter &writer);
    ~PcmConverter();
    PcmConverter(const PcmConverter &) = delete;
    PcmConverter &operator=(const PcmConverter &) = delete;

    bool convert(const AVFrame &frame, std::string &error);
    // Writes the samples the resampler still holds.
    bool drain(std::string &error);

    std::uint64_t framesWritten() const { return framesWritten_; }

private:
    struct SwrFreer
    {
        void operator()(SwrContext *context) const { swr_free(&context); }
    };

    bool matches(const AVFrame &frame) const;
    bool reopen(const AVFrame &frame, std::string &error);
    bool write(const std::uint8_t **input, int inputFrames, std::string &error);

    WavWriter &writer_;
    std::unique_ptr<SwrContext, SwrFreer> swr_;
    std::vector<std::uint8_t> output_;
    AVChannelLayout inputLayout_{};
    int inputFormat_ = -1;
    int inputRate_ = 0;
    std::uint64_t framesWritten_ = 0;
};

} // namespace pcmdump
