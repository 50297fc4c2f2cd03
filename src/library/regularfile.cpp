#include "library/regularfile.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFileDescriptor openRegularFileDescriptor(const QByteArray &nativePath)
{
    RegularFileDescriptor opened;
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return opened;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        opened.notRegular = true;
        return opened;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    opened.fd = fd;
    opened.size = status.st_size;
    return opened;
}

bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *problem)
{
    problem->clear();
    const RegularFileDescriptor opened = openRegularFileDescriptor(QFile::encodeName(path));
    if (opened.notRegular)
        *problem = QStringLiteral("it is not a regular file");
    if (opened.fd < 0)
        return false;
    if (opened.size > maxBytes) {
        ::close(opened.fd);
        *problem = QStringLiteral("it is larger than %1").arg(byteLimitText(maxBytes));
        return false;
    }
    file.setFileName(path);
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
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
