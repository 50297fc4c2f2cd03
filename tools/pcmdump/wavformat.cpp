#include "wavformat.h"

#include <cstring>

namespace pcmdump {

namespace {

class HeaderBuilder
{
public:
    explicit HeaderBuilder(WavHeader &header) : header_(header) {}

    void tag(const char (&text)[5])
    {
        std::memcpy(header_.data() + pos_, text, 4);
        pos_ += 4;
    }

    void u32(std::uint32_t value) { littleEndian(value, 4); }
    void u16(std::uint16_t value) { littleEndian(value, 2); }

private:
    void littleEndian(std::uint32_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            header_[pos_++] = static_cast<unsigned char>(value >> (8 * i));
    }

    WavHeader &header_;
    std::size_t pos_ = 0;
};

} // namespace

WavHeader wavHeader(std::uint32_t dataBytes)
{
    WavHeader header{};
    HeaderBuilder out(header);
    out.tag("RIFF");
    out.u32(static_cast<std::uint32_t>(kWavHeaderSize - 8) + dataBytes);
    out.tag("WAVE");
    out.tag("fmt ");
    out.u32(16);
    out.u16(1); // integer PCM
    out.u16(kChannels);
    out.u32(kSampleRate);
    out.u32(kSampleRate * kBytesPerFrame);
    out.u16(kBytesPerFrame);
    out.u16(kBitsPerSample);
    out.tag("data");
    out.u32(dataBytes);
    return header;
}

} // namespace pcmdump
