#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pcmdump {

// The one output format: what the BPM run accepts ("BitRate: 1411", "SampleRate: 44100").
constexpr int kChannels = 2;
constexpr int kSampleRate = 44100;
constexpr int kBitsPerSample = 16;
constexpr int kBytesPerFrame = kChannels * kBitsPerSample / 8;
constexpr int kBitRateKbps = kSampleRate * kChannels * kBitsPerSample / 1000;

// Input rates outside this range are damaged headers, not music; below it
// every input sample would become hundreds of output samples.
constexpr int kMinInputRate = 500;
constexpr int kMaxInputRate = 4000000;
// Output frames one decoded frame may resample to (about 95 s, 16 MiB).
constexpr int kMaxFramesPerConversion = 1 << 22;

constexpr std::size_t kWavHeaderSize = 44;

// Many readers keep RIFF sizes in signed 32-bit fields, so a whole file stays below 2 GiB.
constexpr std::uint32_t kMaxWavDataBytes = (0x7FFFFFFFu - kWavHeaderSize) / kBytesPerFrame * kBytesPerFrame;

using WavHeader = std::array<unsigned char, kWavHeaderSize>;

// Canonical 44-byte RIFF/WAVE header for dataBytes of PCM in the output format.
WavHeader wavHeader(std::uint32_t dataBytes);

} // namespace pcmdump
