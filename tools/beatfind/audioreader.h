#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct SF_INFO;

namespace beatfind {

// Decodes an audio file (any format and sample format libsndfile reads) block by
// block as mono samples, so that a long song never has to sit in memory whole.
class AudioReader
{
public:
    // Null when the data is not audio that can be analysed; problem, when
    // given, then says why. Only a regular file is opened: a FIFO would block
    // and a device would never end.
    static std::unique_ptr<AudioReader> openFile(const std::string &path, std::string *problem = nullptr);
    // The data must outlive the reader.
    static std::unique_ptr<AudioReader> openMemory(const unsigned char *data, std::size_t size);

    ~AudioReader();
    AudioReader(const AudioReader &) = delete;
    AudioReader &operator=(const AudioReader &) = delete;

    int sampleRate() const { return rate; }

    // Fills out with up to maxFrames samples, the channels averaged, non-finite
    // values replaced by silence. Returns how many; 0 at the end or on a decoding error.
    std::size_t readMono(float *out, std::size_t maxFrames);

private:
    struct MemoryFile;
    AudioReader();
    bool init(void *handle, const SF_INFO &info, std::string *problem = nullptr);

    void *file = nullptr; // SNDFILE*, kept opaque so users need no libsndfile header
    std::unique_ptr<MemoryFile> memory;
    int rate = 0;
    int channels = 0;
    std::vector<float> interleaved;
};

} // namespace beatfind
