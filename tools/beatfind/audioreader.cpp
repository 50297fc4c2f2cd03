#include "audioreader.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace beatfind {

namespace {

// Rates outside this range carry no usable rhythm (or come from a damaged header).
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 256;
// Samples (all channels together) decoded per libsndfile call.
constexpr std::size_t kBlockSamples = 1 << 16;
// Float files may hold anything; keep the analysis finite.
constexpr float kMaxAbs = 1000.0f;

float clean(float v) { return std::isfinite(v) ? std::clamp(v, -kMaxAbs, kMaxAbs) : 0.0f; }

} // namespace

struct AudioReader::MemoryFile
{
    const unsigned char *data = nullptr;
    sf_count_t size = 0;
    sf_count_t pos = 0;

    static MemoryFile &of(void *user) { return *static_cast<MemoryFile *>(user); }
    static sf_count_t length(void *user) { return of(user).size; }
    static sf_count_t tell(void *user) { return of(user).pos; }
    static sf_count_t seek(sf_count_t offset, int whence, void *user)
    {
        MemoryFile &m = of(user);
        const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m.pos : m.size;
        if (offset < -base || offset > m.size - base)
            return -1;
        m.pos = base + offset;
        return m.pos;
    }
    static sf_count_t read(void *dest, sf_count_t count, void *user)
    {
        MemoryFile &m = of(user);
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, m.size - m.pos));
        std::copy(m.data + m.pos, m.data + m.pos + n, static_cast<unsigned char *>(dest));
        m.pos += n;
        return n;
    }
    static sf_count_t write(const void *, sf_count_t, void *) { return 0; }
};

AudioReader::AudioReader() = default;

AudioReader::~AudioReader()
{
    if (file)
        sf_close(static_cast<SNDFILE *>(file));
}

std::unique_ptr<AudioReader> AudioReader::openFile(const std::string &path, std::string *problem)
{
    std::string ignored;
    std::string &why = problem ? *problem : ignored;
    // Non-blocking, so that a FIFO does not hold the open until someone writes to it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = "not a regular file: " + path;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::unique_ptr<AudioReader> reader(new AudioReader);
    SF_INFO info{};
    SNDFILE *handle = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!handle) {
        why = "not audio that can be read: " + path + " (" + sf_strerror(nullptr) + ")";
        return nullptr;
    }
    if (!reader->init(handle, info, &why))
        return nullptr;
    return reader;
}

std::unique_ptr<AudioReader> AudioReader::openMemory(const unsigned char *data, std::size_t size)
{
    std::unique_ptr<AudioReader> reader(new AudioReader);
    reader->memory = std::make_unique<MemoryFile>();
    reader->memory->data = data;
    reader->memory->size = static_cast<sf_count_t>(size);
    static SF_VIRTUAL_IO io{&MemoryFile::length, &MemoryFile::seek, &MemoryFile::read, &MemoryFile::write,
                            &MemoryFile::tell};
    SF_INFO info{};
    SNDFILE *handle = sf_open_virtual(&io, SFM_READ, &info, reader->memory.get());
    if (!handle || !reader->init(handle, info))
        return nullptr;
    return reader;
}

bool AudioReader::init(void *handle, const SF_INFO &info, std::string *problem)
{
    file = handle; // closed by the destructor even when the format is refused
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate || info.channels < 1 || info.channels > kMaxChannels) {
        if (problem)
            *problem = "unusable format: " + std::to_string(info.samplerate) + " Hz, " + std::to_string(info.channels)
                + " channels";
        return false;
    }
    rate = info.samplerate;
    channels = info.channels;
    interleaved.resize(kBlockSamples);
    return true;
}

std::size_t AudioReader::readMono(float *out, std::size_t maxFrames)
{
    const std::size_t frames = std::min(maxFrames, kBlockSamples / static_cast<std::size_t>(channels));
    if (frames == 0)
        return 0;
    const sf_count_t got =
        sf_readf_float(static_cast<SNDFILE *>(file), interleaved.data(), static_cast<sf_count_t>(frames));
    if (got <= 0)
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<sf_count_t>(got, frames));
    const float scale = 1.0f / static_cast<float>(channels);
    if (channels == 1) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = clean(interleaved[i]);
        return n;
    }
    if (channels == 2) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = (clean(interleaved[2 * i]) + clean(interleaved[2 * i + 1])) * 0.5f;
        return n;
    }
    for (std::size_t i = 0; i < n; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) {
            sum += clean(interleaved[i * channels + c]);
        }
        out[i] = sum * scale;
    }
    return n;
}

} // namespace beatfind
