#include "tempwav.h"

#include "signals.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <utility>

namespace pcmdump {

namespace {

constexpr int kNameAttempts = 100;

std::uint64_t randomNumber()
{
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
}

// Offers fresh random names in the directory to claim() until it takes one.
// False, with errno saying why, when claim() fails for another reason than
// the name being taken, or when every name offered was taken.
template <typename Claim>
bool claimFreshName(const std::string &directory, Claim claim)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        if (claim(directory + "/" + wavFileName(randomNumber())))
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

} // namespace

std::string tempDirectory(const char *tmpdir, const std::string &workingDirectory)
{
    std::string directory = (tmpdir && *tmpdir) ? tmpdir : "/tmp";
    if (directory.front() != '/')
        directory = workingDirectory + "/" + directory;
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

std::string wavFileName(std::uint64_t random)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::uint64_t alphabetSize = sizeof alphabet - 1;
    std::string name = "pcmdump-";
    for (int i = 0; i < 6; ++i) {
        name += alphabet[random % alphabetSize];
        random /= alphabetSize;
    }
    return name + ".wav";
}

TempWavFile::TempWavFile(std::string directory) : directory_(std::move(directory)) {}

TempWavFile::~TempWavFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!kept_ && !path_.empty()) {
        ::unlink(path_.c_str());
        forgetRemoveOnSignal();
    }
}

bool TempWavFile::create(std::string &error) { return openNameless() || openNamed(error); }

bool TempWavFile::openNameless()
{
    const int fd = ::open(directory_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // Naming it later goes through /proc; without /proc use a named file from the start.
    if (::access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    nameless_ = true;
    return true;
}

bool TempWavFile::openNamed(std::string &error)
{
    const bool created = claimFreshName(directory_, [this](const std::string &candidate) {
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        fd_ = fd;
        setPath(candidate);
        return true;
    });
    if (!created)
        error = failure("cannot create a WAV file in", errno);
    return created;
}

bool TempWavFile::publish(std::string &error)
{
    if (nameless_ && !linkName(error))
        return false;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        error = failure("cannot write a WAV file in", errno);
        return false;
    }
    return true;
}

bool TempWavFile::linkName(std::string &error)
{
    const std::string source = "/proc/self/fd/" + std::to_string(fd_);
    const bool linked = claimFreshName(directory_, [&](const std::string &candidate) {
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) != 0)
            return false;
        setPath(candidate);
        return true;
    });
    if (!linked)
        error = failure("cannot name a WAV file in", errno);
    return linked;
}

void TempWavFile::keep()
{
    kept_ = true;
    forgetRemoveOnSignal();
}

void TempWavFile::setPath(const std::string &path)
{
    path_ = path;
    removeOnSignal(path_);
}

std::string TempWavFile::failure(const std::string &what, int errorNumber) const
{
    return what + " " + directory_ + ": " + std::strerror(errorNumber);
}

} // namespace pcmdump
