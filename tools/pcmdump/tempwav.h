#pragma once

#include <cstdint>
#include <string>

namespace pcmdump {

// Where the WAV files go: $TMPDIR when set and not empty (relative to
// workingDirectory if it is relative), else /tmp; no trailing slash.
std::string tempDirectory(const char *tmpdir, const std::string &workingDirectory);

// "pcmdump-" + six letters or digits drawn from random + ".wav".
std::string wavFileName(std::uint64_t random);

// A new WAV file of this process in a directory. It stays nameless while it is
// written where the system allows (so even a killed process leaves nothing
// behind), gets its unique name in publish(), and is deleted by the destructor
// unless keep() was called.
class TempWavFile
{
public:
    explicit TempWavFile(std::string directory);
    ~TempWavFile();
    TempWavFile(const TempWavFile &) = delete;
    TempWavFile &operator=(const TempWavFile &) = delete;

    bool create(std::string &error);
    int fd() const { return fd_; }

    // Gives the file its name and closes it; path() is valid afterwards.
    bool publish(std::string &error);
    const std::string &path() const { return path_; }

    // The path has been handed on: the file is no longer ours to delete.
    void keep();

private:
    bool openNameless();
    bool openNamed(std::string &error);
    bool linkName(std::string &error);
    void setPath(const std::string &path);
    std::string failure(const std::string &what, int errorNumber) const;

    std::string directory_;
    std::string path_;
    int fd_ = -1;
    bool nameless_ = false;
    bool kept_ = false;
};

} // namespace pcmdump
