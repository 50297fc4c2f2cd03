#include "library/regularfile.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *problem)
{
    problem->clear();
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        *problem = QStringLiteral("it is not a regular file");
        return false;
    }
    if (status.st_size > maxBytes) {
        ::close(fd);
        *problem = QStringLiteral("it is larger than %1").arg(byteLimitText(maxBytes));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QString byteLimitText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 30) && bytes % (qint64(1) << 30) == 0)
        return QStringLiteral("%1 GiB").arg(bytes >> 30);
    if (bytes >= (qint64(1) << 20) && bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    return QStringLiteral("%1 bytes").arg(bytes);
}
