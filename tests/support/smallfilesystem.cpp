#include "smallfilesystem.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString &namespaceProblem()
{
    static QString problem = QStringLiteral("the test did not enter a mount namespace of its own");
    return problem;
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

void enterPrivateMountNamespace()
{
    if (::geteuid() != 0)
        namespaceProblem() = QStringLiteral("mounting a small file system needs root");
    else if (::unshare(CLONE_NEWNS) != 0)
        namespaceProblem() = QStringLiteral("no mount namespace: ") + systemError();
    // Mounts made here must not reach the machine's own namespace.
    else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        namespaceProblem() = QStringLiteral("mounts cannot be made private: ") + systemError();
    else
        namespaceProblem().clear();
}

SmallFilesystem::SmallFilesystem(qint64 bytes)
{
    trouble = namespaceProblem();
    if (!trouble.isEmpty())
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs", 0, options.constData()) != 0) {
        trouble = QStringLiteral("cannot mount a tmpfs: ") + systemError();
        return;
    }
    mounted = true;
}

SmallFilesystem::~SmallFilesystem()
{
    if (mounted)
        ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH);
}

qint64 SmallFilesystem::freeBytes() const
{
    struct statvfs status;
    if (::statvfs(QFile::encodeName(folder.path()).constData(), &status) != 0)
        return -1;
    return qint64(status.f_bavail) * qint64(status.f_frsize);
}

bool SmallFilesystem::fillLeaving(qint64 freeBytes)
{
    const int fd = ::open(QFile::encodeName(folder.path() + QStringLiteral("/.filler")).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // A page at a time, since tmpfs hands out whole pages.
    const QByteArray page(4096, 'x');
    while (this->freeBytes() > freeBytes) {
        const qint64 room = this->freeBytes() - freeBytes;
        if (::write(fd, page.constData(), size_t(qMin<qint64>(room, page.size()))) <= 0)
            break;
    }
    ::close(fd);
    return this->freeBytes() <= freeBytes;
}
