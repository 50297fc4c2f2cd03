#pragma once

#include <QString>
#include <QVariantMap>

class QIODevice;

// An iTunes library file copied from another computer names the folders of
// that computer. Its "Music Folder" entry gives the root under which its
// songs lie; the user maps that root to a local folder once, and every song
// path under it is looked for there.

// The "Music Folder" of the library file, in the form song paths take
// (songFilePath of the URL's local file); empty when the file names none.
QString itunesMusicFolder(QIODevice *device);

// path with root replaced by localRoot; path itself when it does not lie
// under root. A Windows root (one with a drive letter) matches in any case.
QString mapItunesRoot(const QString &path, const QString &root, const QString &localRoot);

// The local folder remembered for a root, empty when none is.
QString mappedRootFolder(const QString &root);
void rememberRootFolder(const QString &root, const QString &localFolder);

// The song path with whichever remembered root it lies under replaced.
QString mappedSongPath(const QString &path);

// The remembered roots as they are now, read once, for mapping many paths.
class ItunesRootMap
{
public:
    ItunesRootMap();
    QString mapped(const QString &path) const;

private:
    QVariantMap roots;
};
