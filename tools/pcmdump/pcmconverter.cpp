#include "pcmconverter.h"

#include "ffmpegerror.h"
#include "wavformat.h"
#include "wavwriter.h"

namespace pcmdump {

bool sampleRateAccepted(int rate, std::string &error)
{
    if (rate >= kMinInputRate && rate <= kMaxInputRate)
        return true;
    error = "sample rate of " + std::to_string(rate) + " Hz is out of range (" + std::to_string(kMinInputRate) + " to "
        + std::to_string(kMaxInputRate) + " Hz)";
    return false;
}

PcmConverter::PcmConverter(WavWriter &writer) : writer_(writer) {}

PcmConverter::~PcmConverter() { av_channel_layout_uninit(&inputLayout_); }

bool PcmConverter::convert(const AVFrame &frame, std::string &error)
{
    if (frame.nb_samples <= 0)
        return true;
    if (!matches(frame) && !reopen(frame, error))
        return false;
    return write(const_cast<const std::uint8_t **>(frame.extended_data), frame.nb_samples, error);
}

bool PcmConverter::drain(std::string &error)
{
    if (!swr_)
        return true;
    for (;;) {
        const std::uint64_t before = framesWritten_;
        if (!write(nullptr, 0, error))
            return false;
        if (framesWritten_ == before)
            return true;
    }
}

bool PcmConverter::matches(const AVFrame &frame) const
{
    return swr_ && frame.format == inputFormat_ && frame.sample_rate == inputRate_
        && av_channel_layout_compare(&frame.ch_layout, &inputLayout_) == 0;
}

bool PcmConverter::reopen(const AVFrame &frame, std::string &error)
{
    // Samples of the previous format must come out before the new format's.
    if (!drain(error))
        return false;
    swr_.reset();
    av_channel_layout_uninit(&inputLayout_);

    const int channels = frame.ch_layout.nb_channels;
    if (channels <= 0 || frame.sample_rate <= 0 || frame.format < 0) {
        error = "decoded audio has no valid format";
        return false;
    }
    if (!sampleRateAccepted(frame.sample_rate, error))
        return false;
    AVChannelLayout layout{};
    // A stream that names only its channel count gets the usual layout for it.
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, channels);
    else if (int result = av_channel_layout_copy(&layout, &frame.ch_layout); result < 0) {
        error = "cannot convert audio: " + ffmpegError(result);
        return false;
    }

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext *context = nullptr;
    int result = swr_alloc_set_opts2(&context, &stereo, AV_SAMPLE_FMT_S16, kSampleRate, &layout,
                                     static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    if (result >= 0)
        result = swr_init(context);
    swr_.reset(context);
    av_channel_layout_uninit(&layout);
    if (result < 0) {
        swr_.reset();
        error = "cannot convert audio: " + ffmpegError(result);
        return false;
    }
    av_channel_layout_copy(&inputLayout_, &frame.ch_layout);
    inputFormat_ = frame.format;
    inputRate_ = frame.sample_rate;
    return true;
}

bool PcmConverter::write(const std::uint8_t **input, int inputFrames, std::string &error)
{
    const int capacity = swr_get_out_samples(swr_.get(), inputFrames);
    if (capacity < 0) {
        error = "cannot convert audio: " + ffmpegError(capacity);
        return false;
    }
    if (capacity > kMaxFramesPerConversion) {
        error = "a decoded frame of " + std::to_string(inputFrames) + " samples would take more than "
            + std::to_string(kMaxFramesPerConversion) + " output samples";
        return false;
    }
    output_.resize(static_cast<std::size_t>(capacity) * kBytesPerFrame);
    std::uint8_t *out = output_.data();
    const int frames = swr_convert(swr_.get(), &out, capacity, input, inputFrames);
    if (frames < 0) {
        error = "cannot convert audio: " + ffmpegError(frames);
        return false;
    }
    if (!writer_.append(out, static_cast<std::size_t>(frames) * kBytesPerFrame)) {
        error = writer_.error();
        return false;
    }
    framesWritten_ += static_cast<std::uint64_t>(frames);
    return true;
}

} // namespace pcmdump
