#include "library/itunesroot.h"
#include "library/songlocation.h"
#include "library/itunesrules.h"

#include <QRegularExpression>
#include <QSettings>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace {

const QString rootsKey = QStringLiteral("itunesRoots");

bool isWindowsRoot(const QString &root)
{
    static const QRegularExpression drive(QStringLiteral("^/[A-Za-z]:/"));
    return drive.match(root).hasMatch();
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString itunesMusicFolder(QIODevice *device)
{
    // Only the keys of the outermost dictionary count; the tracks' own keys
    // lie deeper.
    QXmlStreamReader reader(device);
    bool nextIsFolder = false;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            --depth;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        ++depth;
        if (depth != 3)
            continue;
        if (nextIsFolder && reader.name() == QLatin1String("string"))
            return songFilePath(locationPath(reader.readElementText()));
        nextIsFolder = false;
        if (reader.name() == QLatin1String("key")) {
            nextIsFolder = reader.readElementText() == QLatin1String("Music Folder");
            // readElementText has consumed the element's end.
            --depth;
        }
    }
    return QString();
}

QString mapItunesRoot(const QString &path, const QString &root, const QString &localRoot)
{
    if (root.isEmpty() || localRoot.isEmpty())
        return path;
    const QString from = withSlash(root);
    const Qt::CaseSensitivity cs = isWindowsRoot(from) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (!path.startsWith(from, cs))
        return path;
    return withSlash(localRoot) + path.mid(from.size());
}

QString mappedRootFolder(const QString &root) { return QSettings().value(rootsKey).toMap().value(root).toString(); }

void rememberRootFolder(const QString &root, const QString &localFolder)
{
    QSettings settings;
    QVariantMap roots = settings.value(rootsKey).toMap();
    roots.insert(root, localFolder);
    settings.setValue(rootsKey, roots);
}

QString mappedSongPath(const QString &path) { return ItunesRootMap().mapped(path); }

ItunesRootMap::ItunesRootMap() : roots(QSettings().value(rootsKey).toMap()) {}

QString ItunesRootMap::mapped(const QString &path) const
{
    for (auto root = roots.cbegin(); root != roots.cend(); ++root) {
        const QString mapped = mapItunesRoot(path, root.key(), root.value().toString());
        if (mapped != path)
            return mapped;
    }
    return path;
}
