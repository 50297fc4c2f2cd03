#include "library/songlocation.h"
#include "library/itunesroot.h"

QString songFilePath(const QString &location)
{
    if (!location.startsWith(QLatin1String("//")))
        return location;
    const qsizetype pathStart = location.indexOf(QLatin1Char('/'), 2);
    return pathStart < 0 ? QString() : location.mid(pathStart);
}

QString localSongPath(const QString &location) { return mappedSongPath(songFilePath(location)); }

QString localSongPath(const QString &location, const ItunesRootMap &roots)
{
    return roots.mapped(songFilePath(location));
}
