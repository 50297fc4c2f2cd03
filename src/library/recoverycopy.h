#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Where a library with unsaved changes goes when the program is told to quit
// by a signal and cannot ask anyone: $XDG_STATE_HOME/VelmoraSync (by default
// ~/.local/state/VelmoraSync), one "recovery-<time>.tgd" per occasion.
QString recoveryDirectory();

// Writes the library to a new recovery copy, atomically; its path, or an
// empty string with error saying why.
QString writeRecoveryCopy(QString *error);

// Every recovery copy not yet offered, oldest first.
QStringList pendingRecoveryCopies();

// When a recovery copy was written, in local time.
QDateTime recoveryCopyTime(const QString &path);

// Takes a recovery copy out of the offer once it has been opened or declined:
// it is renamed to "opened-..." or "declined-..." and kept beside the others,
// so nothing is lost and nobody is asked twice. Returns the new path (the old
// one if the rename failed).
QString retireRecoveryCopy(const QString &path, bool opened);
