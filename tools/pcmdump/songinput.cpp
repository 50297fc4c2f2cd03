#include "songinput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace pcmdump {

namespace {

constexpr int kReadBlockBytes = 64 * 1024;

int readSong(void *opaque, uint8_t *buffer, int size)
{
    const int fd = *static_cast<int *>(opaque);
    ssize_t got;
    while ((got = ::read(fd, buffer, size_t(size))) < 0 && errno == EINTR) {
    }
    if (got < 0)
        return AVERROR(errno);
    return got == 0 ? AVERROR_EOF : int(got);
}

int64_t seekSong(void *opaque, int64_t offset, int whence)
{
    const int fd = *static_cast<int *>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status;
        return ::fstat(fd, &status) == 0 ? int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

} // namespace

SongInput::~SongInput()
{
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (fd_ >= 0)
        ::close(fd_);
}

bool SongInput::open(const std::string &path, std::string &error)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat status;
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "not a regular file: " + path;
        return false;
    }
    auto *buffer = static_cast<unsigned char *>(av_malloc(kReadBlockBytes));
    io_ = buffer ? avio_alloc_context(buffer, kReadBlockBytes, 0, &fd_, readSong, nullptr, seekSong) : nullptr;
    if (!io_) {
        av_free(buffer);
        error = "out of memory";
        return false;
    }
    return true;
}

} // namespace pcmdump
