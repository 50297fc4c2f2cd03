#include "library/filereplacement.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

QString fileErrorText(int errorNumber)
{
    if (errorNumber == ENOSPC || errorNumber == EDQUOT)
        return QStringLiteral("the disk is full");
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

QString writeReplacement(const QString &fileName, const QByteArray &bytes)
{
    struct stat old;
    const bool exists = ::stat(QFile::encodeName(fileName).constData(), &old) == 0 && S_ISREG(old.st_mode);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) [[maybe_unused]]
        const int kept = ::fchown(file.handle(), old.st_uid, old.st_gid);
    // The final flush is checked here: the commit would ignore its failure
    // and put a cut-short file in the old one's place.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = errno == ENOSPC || errno == EDQUOT ? fileErrorText(errno) : file.errorString();
        file.cancelWriting();
        return why;
    }
    if (::fdatasync(file.handle()) != 0) {
        const QString why = fileErrorText(errno);
        file.cancelWriting();
        return why;
    }
    return file.commit() ? QString() : file.errorString();
}
