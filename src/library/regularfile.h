#pragma once

#include <QString>

class QFile;

// Opens a file for reading only when it is a regular file of at most maxBytes.
// A FIFO would block the open (and every later start that reopens it), a
// device such as /dev/zero never ends, and a directory holds nothing to read.
// False with an empty problem when the file cannot be opened at all (missing,
// no permission); false with a problem saying why when it is refused.
bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *problem);

// "1 GiB", "16 MiB": a limit as the diagnostics name it.
QString byteLimitText(qint64 bytes);
