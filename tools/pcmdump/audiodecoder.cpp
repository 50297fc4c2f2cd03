#include "audiodecoder.h"

#include "ffmpegerror.h"
#include "pcmconverter.h"
#include "wavwriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// FFmpeg answers "Invalid argument" or "Invalid data" for contents it cannot
// make sense of; say that in words a user understands.
std::string readFailure(const std::string &path, int code)
{
    if (code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL))
        return "not an audio file that can be read: " + path;
    return "cannot read " + path + ": " + ffmpegError(code);
}

// A FIFO would block the open until someone writes to it, and a device such as
// /dev/zero never ends: only a regular file is a song.
bool isRegularFile(const std::string &path, std::string &error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat status;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!regular)
        error = "not a regular file: " + path;
    return regular;
}

} // namespace

void AudioDecoder::FormatCloser::operator()(AVFormatContext *context) const { avformat_close_input(&context); }

void AudioDecoder::CodecFreer::operator()(AVCodecContext *context) const { avcodec_free_context(&context); }

AudioDecoder::AudioDecoder() = default;
AudioDecoder::~AudioDecoder() = default;

bool AudioDecoder::open(const std::string &path, std::string &error)
{
    path_ = path;
    if (!isRegularFile(path, error))
        return false;
    // A song path names a local file: never let it be read as a URL of another protocol.
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext *format = nullptr;
    int result = avformat_open_input(&format, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = readFailure(path, result);
        return false;
    }
    format_.reset(format);
    if ((result = avformat_find_stream_info(format, nullptr)) < 0) {
        error = readFailure(path, result);
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
        error = "cannot read " + path_ + ": " + ffmpegError(result);
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
