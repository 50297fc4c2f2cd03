#include "library/recoverycopy.h"
#include "library/libraryfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

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

namespace {

// "recovery-<stamp>[-<n>].tgd": copies of one second are numbered from 2 on.
struct CopyName
{
    QString stamp;
    int number = 1;
};

CopyName parsedName(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^recovery-(\\d{8}-\\d{6})(?:-(\\d+))?\\.tgd$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return {fileName, 0};
    return {match.captured(1), match.captured(2).isEmpty() ? 1 : match.captured(2).toInt()};
}

} // namespace

QStringList pendingRecoveryCopies()
{
    QStringList copies =
        QDir(recoveryDirectory()).entryList({recoveryPrefix + QStringLiteral("*.tgd")}, QDir::Files, QDir::Name);
    // By time, then by number: "-10" was written after "-2".
    std::stable_sort(copies.begin(), copies.end(), [](const QString &a, const QString &b) {
        const CopyName first = parsedName(a);
        const CopyName second = parsedName(b);
        return first.stamp != second.stamp ? first.stamp < second.stamp : first.number < second.number;
    });
    for (QString &copy : copies)
        copy = recoveryDirectory() + QLatin1Char('/') + copy;
    return copies;
}

QDateTime recoveryCopyTime(const QString &path)
{
    QDateTime time =
        QDateTime::fromString(parsedName(QFileInfo(path).fileName()).stamp, QStringLiteral("yyyyMMdd-HHmmss"));
    if (!time.isValid())
        return QFileInfo(path).lastModified();
    time.setTimeSpec(Qt::UTC);
    return time.toLocalTime();
}

QString retireRecoveryCopy(const QString &path, bool opened)
{
    const QFileInfo info(path);
    const QString retired = info.absolutePath() + QLatin1Char('/')
        + (opened ? QStringLiteral("opened-") : QStringLiteral("declined-"))
        + info.fileName().mid(recoveryPrefix.size());
    return QFile::rename(path, retired) ? retired : path;
}
