#include "library/recoverycopy.h"
#include "library/libraryfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString recoveryPrefix = QStringLiteral("recovery-");

} // namespace

QString recoveryDirectory()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as for every XDG base directory.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/VelmoraSync");
}

QString writeRecoveryCopy(QString *error)
{
    const QString directory = recoveryDirectory();
    if (!QDir().mkpath(directory)) {
        *error = QStringLiteral("cannot create %1").arg(directory);
        return {};
    }
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QStringLiteral("%1/%2%3.tgd").arg(directory, recoveryPrefix, stamp);
    for (int n = 2; QFileInfo::exists(path) && n < 100; ++n)
        path = QStringLiteral("%1/%2%3-%4.tgd").arg(directory, recoveryPrefix, stamp).arg(n);
    QString why;
    if (!saveLibraryFile(path, &why)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, why);
        return {};
    }
    return path;
}

QString pendingRecoveryCopy()
{
    // The time stamp in the name sorts by age.
    const QStringList copies =
        QDir(recoveryDirectory()).entryList({recoveryPrefix + QStringLiteral("*.tgd")}, QDir::Files, QDir::Name);
    return copies.isEmpty() ? QString() : recoveryDirectory() + QLatin1Char('/') + copies.last();
}

QString retireRecoveryCopy(const QString &path, bool opened)
{
    const QFileInfo info(path);
    const QString retired = info.absolutePath() + QLatin1Char('/')
        + (opened ? QStringLiteral("opened-") : QStringLiteral("declined-"))
        + info.fileName().mid(recoveryPrefix.size());
    return QFile::rename(path, retired) ? retired : path;
}
