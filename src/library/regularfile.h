#pragma once

#include <QByteArray>
#include <QString>

class QFile;

struct RegularFileDescriptor
{
    int fd = -1; // open for reading, or -1
    bool notRegular = false; // it exists but is no regular file
    qint64 size = 0;
};

// Opens a path for reading (links followed) only when it is a regular file,
// without blocking on a FIFO; the descriptor is left blocking, close-on-exec,
// and the caller's to close.
RegularFileDescriptor openRegularFileDescriptor(const QByteArray &nativePath);

// Opens a file for reading only when it is a regular file of at most maxBytes.
// A FIFO would block the open (and every later start that reopens it), a
// device such as /dev/zero never ends, and a directory holds nothing to read.
// False with an empty problem when the file cannot be opened at all (missing,
// no permission); false with a problem saying why when it is refused.
bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *problem);

// "1 GiB", "16 MiB": a limit as the diagnostics name it.
QString byteLimitText(qint64 bytes);
