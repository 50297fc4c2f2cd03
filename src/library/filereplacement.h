#pragma once

#include <QByteArray>
#include <QString>

// A failed system call's reason as the user reads it: a full disk (or quota)
// named so, anything else as the system words it.
QString fileErrorText(int errorNumber);

// Writes bytes as the whole of the file at fileName through a temporary file
// beside it, which replaces the file only once every byte is on the disk: a
// failure part-way leaves the old file (or none) as it was. The old file's
// owner and group carry over where the system allows. Empty when written,
// else why not.
QString writeReplacement(const QString &fileName, const QByteArray &bytes);
