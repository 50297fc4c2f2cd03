#include "audiodecoder.h"

#include "ffmpegerror.h"
#include "pcmconverter.h"
#include "wavwriter.h"

#include <cerrno>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace pcmdump {

namespace {

struct PacketFreer
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct FrameFreer
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

// Single bad packets are common in real files and only cost a few milliseconds
// of audio; a file that fails in more than half of them is corrupt or protected.
bool mostlyUndecodable(long failed, long total) { return failed * 2 > total; }

// FFmpeg answers "Input/output error" or "End of file" for a file that ends
// before what its headers promise, though every read of it went well. That
// sounds like a failing disk (which is what it still means when a read
// failed): say what it is.
std::string readError(int code, const AVIOContext *input)
{
    if ((code == AVERROR(EIO) || code == AVERROR_EOF) && input->error == 0)
        return "the file is damaged or cut short";
    return ffmpegError(code);
}

// FFmpeg answers "Invalid argument" or "Invalid data" for contents it cannot
// make sense of; say that in words a user understands.
std::string openFailure(const std::string &path, int code, const AVIOContext *input)
{
    if (code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL))
        return "not an audio file that can be read: " + path;
    return "cannot read " + path + ": " + readError(code, input);
}

// A song is one file: the demuxer may open no other, such as one a playlist
// inside it names (a FIFO, a device or a URL).
int refuseOtherFiles(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **) { return AVERROR(EPERM); }

} // namespace

void AudioDecoder::FormatCloser::operator()(AVFormatContext *context) const { avformat_close_input(&context); }

void AudioDecoder::CodecFreer::operator()(AVCodecContext *context) const { avcodec_free_context(&context); }

AudioDecoder::AudioDecoder() = default;
AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::open(const std::string &path, std::string &error)
{
    path_ = path;
    if (!input_.open(path, error))
        return false;
    AVFormatContext *format = avformat_alloc_context();
    if (!format) {
        error = "out of memory";
        return false;
    }
    format->pb = input_.io();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = refuseOtherFiles;
    // The name only helps to tell the format; it is never opened as a URL.
    int result = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        error = openFailure(path, result, input_.io());
        return false;
    }
    format_.reset(format);
    if ((result = avformat_find_stream_info(format, nullptr)) < 0) {
        error = openFailure(path, result, input_.io());
        return false;
    }

    const AVCodec *decoder = nullptr;
    result = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (result == AVERROR_STREAM_NOT_FOUND) {
        error = "no audio stream in " + path;
        return false;
    }
    if (result < 0 || !decoder) {
        error = "no decoder for the audio in " + path;
        return false;
    }
    streamIndex_ = result;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_)
            format->streams[i]->discard = AVDISCARD_ALL;
    }

    codec_.reset(avcodec_alloc_context3(decoder));
    const AVStream *stream = format->streams[streamIndex_];
    if (!codec_ || (result = avcodec_parameters_to_context(codec_.get(), stream->codecpar)) < 0) {
        error = "cannot decode the audio in " + path + ": " + ffmpegError(codec_ ? result : AVERROR(ENOMEM));
        return false;
    }
    // A rate of 0 is not known yet; each frame's rate is checked again as it comes.
    if (codec_->sample_rate != 0 && !sampleRateAccepted(codec_->sample_rate, error)) {
        error += " in " + path;
        return false;
    }
    codec_->pkt_timebase = stream->time_base;
    if ((result = avcodec_open2(codec_.get(), decoder, nullptr)) < 0) {
        error = "cannot decode the audio in " + path + ": " + ffmpegError(result);
        return false;
    }
    return true;
}

bool AudioDecoder::decodeInto(WavWriter &writer, std::string &error)
{
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) {
        error = "out of memory";
        return false;
    }
    PcmConverter converter(writer);
    long packets = 0;
    long failedPackets = 0;

    // Converts every frame the decoder has ready; false only when the output fails.
    const auto receiveFrames = [&]() {
        for (;;) {
            const int result = avcodec_receive_frame(codec_.get(), frame.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0) {
                ++failedPackets;
                return true;
            }
            const bool converted = converter.convert(*frame, error);
            av_frame_unref(frame.get());
            if (!converted)
                return false;
        }
    };

    int result;
    while ((result = av_read_frame(format_.get(), packet.get())) >= 0) {
        if (packet->stream_index == streamIndex_) {
            ++packets;
            if (avcodec_send_packet(codec_.get(), packet.get()) < 0)
                ++failedPackets;
        }
        av_packet_unref(packet.get());
        if (!receiveFrames())
            return false;
    }
    if (result != AVERROR_EOF) {
        error = "cannot read " + path_ + ": " + readError(result, input_.io());
        return false;
    }
    avcodec_send_packet(codec_.get(), nullptr);
    if (!receiveFrames() || !converter.drain(error))
        return false;

    if (mostlyUndecodable(failedPackets, packets)) {
        error = "corrupt or protected audio in " + path_;
        return false;
    }
    if (converter.framesWritten() == 0) {
        error = "no audio could be decoded from " + path_;
        return false;
    }
    return true;
}

} // namespace pcmdump
