#include "tags/bpmtagwriter.h"
#include "tags/bpmtagformat.h"
#include "tags/fdstream.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <libgen.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr int lowestBpm = 50;
constexpr int highestBpm = 200;
// Room left in a file name for the copy's prefix and suffix.
constexpr int longestTempStem = 200;
const char tempSuffix[] = ".bpmwrite";

BpmWriteResult failed(BpmWriteStatus status, const QString &reason) { return {status, reason}; }

BpmWriteResult systemFailure(int errorNumber)
{
    if (errorNumber == ENOSPC || errorNumber == EDQUOT)
        return failed(BpmWriteStatus::WriteFailed, QStringLiteral("the disk is full"));
    return failed(BpmWriteStatus::WriteFailed,
                  QStringLiteral("writing failed: ") + QString::fromLocal8Bit(std::strerror(errorNumber)));
}

struct Descriptor
{
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int fd) : fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A name the copy is given until it replaces the original; removed unless
// the rename took it away.
struct TempName
{
    QByteArray path;
    bool exists = false;
    ~TempName()
    {
        if (exists)
            ::unlink(path.constData());
    }
};

// Write permission as the user means it: a file or folder without any write
// bit is read-only, even to a superuser whom the system would let through.
bool isWritable(const QByteArray &path, const struct stat &info, int mode)
{
    return (info.st_mode & 0222) != 0 && ::access(path.constData(), mode) == 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

QByteArray folderOf(const QByteArray &path)
{
    QByteArray copy = path;
    return QByteArray(::dirname(copy.data()));
}

QByteArray tempPathFor(const QByteArray &folder, const QByteArray &path)
{
    QByteArray copy = path;
    const QByteArray name = QByteArray(::basename(copy.data())).left(longestTempStem);
    return folder + "/." + name + tempSuffix;
}

// 0, or the errno of the failed copy.
int copyContent(int from, int to, off_t size)
{
    off_t done = 0;
    bool inKernel = true;
    while (done < size) {
        ssize_t copied = -1;
        if (inKernel) {
            copied = ::copy_file_range(from, nullptr, to, nullptr, size_t(size - done), 0);
            if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                inKernel = false;
                continue;
            }
        } else {
            char buffer[1 << 16];
            const ssize_t got = ::pread(from, buffer, sizeof buffer, done);
            if (got > 0) {
                copied = 0;
                while (copied < got) {
                    const ssize_t put = ::pwrite(to, buffer + copied, size_t(got - copied), done + copied);
                    if (put < 0 && errno == EINTR)
                        continue;
                    if (put <= 0)
                        return put < 0 ? errno : EIO;
                    copied += put;
                }
            } else {
                copied = got;
            }
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0)
            return errno;
        if (copied == 0)
            return EIO; // the file shrank while it was being copied
        done += copied;
    }
    return 0;
}

// Removes the copy a killed writer left under the temporary name. False when
// a living writer holds it.
bool removeLeftover(const QByteArray &tempPath)
{
    const Descriptor leftover(::open(tempPath.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (leftover.fd < 0)
        return errno == ENOENT;
    if (::flock(leftover.fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    return ::unlink(tempPath.constData()) == 0 || errno == ENOENT;
}

// An unnamed file in the folder when the file system has them, so that a
// killed write leaves nothing behind; a hidden named one otherwise. Either is
// locked for as long as this write holds it.
int createCopy(const QByteArray &folder, TempName &temp)
{
    int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
            fd = ::open(temp.path.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && (errno != EEXIST || !removeLeftover(temp.path)))
                break;
        }
        temp.exists = fd >= 0;
    }
    if (fd >= 0)
        ::flock(fd, LOCK_EX);
    return fd;
}

// Gives an unnamed copy its temporary name, first clearing a killed writer's leftover.
int nameCopy(int fd, TempName &temp)
{
    if (temp.exists)
        return 0;
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, temp.path.constData(), AT_SYMLINK_FOLLOW) == 0) {
            temp.exists = true;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
        if (!removeLeftover(temp.path))
            return EBUSY;
    }
    return EEXIST;
}

// Extended attributes go with the copy: an access list is part of the file's
// permissions and must come along; others (labels, user notes) come along
// where this user may set them.
bool copyAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return true;
    QByteArray names(listSize, '\0');
    const ssize_t got = ::flistxattr(from, names.data(), size_t(names.size()));
    if (got < 0)
        return false;
    for (const QByteArray &name : names.left(got).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
        QByteArray value(size > 0 ? size : 0, '\0');
        const bool copied = size >= 0 && ::fgetxattr(from, name.constData(), value.data(), size_t(value.size())) == size
            && ::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0) == 0;
        if (!copied && name.startsWith("system.posix_acl"))
            return false;
    }
    return true;
}

BpmWriteResult editResult(TagEditOutcome outcome, const FdStream &stream)
{
    if (stream.error() != 0)
        return systemFailure(stream.error());
    switch (outcome) {
    case TagEditOutcome::Saved:
        return {};
    case TagEditOutcome::NotReadable:
        return failed(BpmWriteStatus::NotReadable,
                      QStringLiteral("it could not be read as audio: damaged, empty, or not what its name says"));
    case TagEditOutcome::NotKept:
        return failed(BpmWriteStatus::TagNotKept, QStringLiteral("the tag holds frames this program cannot keep"));
    case TagEditOutcome::NotSaved:
        break;
    }
    return failed(BpmWriteStatus::WriteFailed, QStringLiteral("the tag could not be saved"));
}

} // namespace

BpmWriteResult protectedSongResult()
{
    return failed(BpmWriteStatus::Protected, QStringLiteral("it is a protected song"));
}

BpmWriteResult writeBpmTag(const QString &path, int bpm)
{
    if (bpm < lowestBpm || bpm > highestBpm)
        return failed(BpmWriteStatus::InvalidBpm,
                      QStringLiteral("%1 is not a BPM from %2 to %3").arg(bpm).arg(lowestBpm).arg(highestBpm));

    // A symbolic link is followed: the file it names is the one written.
    char *resolved = path.isEmpty() ? nullptr : ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!resolved)
        return failed(BpmWriteStatus::Missing, QStringLiteral("the file is gone"));
    const QByteArray filePath(resolved);
    std::free(resolved);
    struct stat original;
    if (::stat(filePath.constData(), &original) != 0)
        return failed(BpmWriteStatus::Missing, QStringLiteral("the file is gone"));
    if (S_ISDIR(original.st_mode))
        return failed(BpmWriteStatus::NotAFile, QStringLiteral("it is a folder, not an audio file"));
    if (!S_ISREG(original.st_mode))
        return failed(BpmWriteStatus::NotAFile, QStringLiteral("it is not a regular file"));

    AudioTagFormat format = audioTagFormatOf(path);
    if (format == AudioTagFormat::Unknown)
        format = audioTagFormatOf(QFile::decodeName(filePath));
    if (format == AudioTagFormat::Unknown)
        return failed(BpmWriteStatus::UnknownFormat,
                      QStringLiteral("its BPM can only be written into MP3, M4A, FLAC, Ogg Vorbis, Opus, WAV "
                                     "and AIFF files"));
    if (!isWritable(filePath, original, W_OK))
        return failed(BpmWriteStatus::ReadOnlyFile, QStringLiteral("the file is read-only"));
    const QByteArray folder = folderOf(filePath);
    struct stat folderInfo;
    if (::stat(folder.constData(), &folderInfo) != 0 || !isWritable(folder, folderInfo, W_OK | X_OK))
        return failed(BpmWriteStatus::ReadOnlyFolder, QStringLiteral("its folder is read-only"));
    if (original.st_nlink > 1)
        return failed(BpmWriteStatus::HardLinked,
                      QStringLiteral("it has other hard links, which a new copy would split from it"));

    const Descriptor source(::open(filePath.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (source.fd < 0)
        return errno == ENOENT
            ? failed(BpmWriteStatus::Missing, QStringLiteral("the file is gone"))
            : failed(BpmWriteStatus::NotReadable,
                     QStringLiteral("it could not be opened: ") + QString::fromLocal8Bit(std::strerror(errno)));
    struct stat opened;
    if (::fstat(source.fd, &opened) != 0 || !sameFile(opened, original))
        return failed(BpmWriteStatus::Changed, QStringLiteral("it changed while its BPM was being written"));

    TempName temp;
    temp.path = tempPathFor(folder, filePath);
    const Descriptor copy(createCopy(folder, temp));
    if (copy.fd < 0)
        return errno == EACCES || errno == EROFS
            ? failed(BpmWriteStatus::ReadOnlyFolder, QStringLiteral("its folder is read-only"))
            : systemFailure(errno);
    if (const int error = copyContent(source.fd, copy.fd, original.st_size))
        return systemFailure(error);

    {
        FdStream stream(copy.fd, filePath.toStdString());
        const BpmWriteResult edited = editResult(setBpmInTag(stream, format, bpm), stream);
        if (!edited.written())
            return edited;
    }

    struct stat copied;
    if (::fstat(copy.fd, &copied) != 0)
        return systemFailure(errno);
    if ((copied.st_uid != original.st_uid || copied.st_gid != original.st_gid)
        && ::fchown(copy.fd, original.st_uid, original.st_gid) != 0)
        return failed(BpmWriteStatus::OtherOwner, QStringLiteral("its owner and group could not be kept"));
    if (!copyAttributes(source.fd, copy.fd))
        return failed(BpmWriteStatus::OtherOwner, QStringLiteral("its access list could not be kept"));
    if (::fchmod(copy.fd, original.st_mode & 07777) != 0 || ::fdatasync(copy.fd) != 0)
        return systemFailure(errno);

    struct stat current;
    if (::stat(filePath.constData(), &current) != 0 || !sameFile(current, original))
        return failed(BpmWriteStatus::Changed, QStringLiteral("it changed while its BPM was being written"));
    if (const int error = nameCopy(copy.fd, temp))
        return error == EBUSY ? failed(BpmWriteStatus::Busy, QStringLiteral("another program is writing its tag"))
                              : systemFailure(error);
    if (::rename(temp.path.constData(), filePath.constData()) != 0)
        return systemFailure(errno);
    temp.exists = false;
    return {};
}
