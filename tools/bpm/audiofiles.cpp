#include "audiofiles.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

bool hasAudioSuffix(const QString &fileName)
{
    static const QSet<QString> audio{"mp3", "m4a", "m4b",  "mp4", "aac", "flac", "ogg", "oga", "opus",
                                     "wav", "aif", "aiff", "wma", "ape", "wv",   "mpc", "alac"};
    return audio.contains(QFileInfo(fileName).suffix().toLower());
}

namespace {

// Only regular files are handed on: reading a FIFO or a device would wait
// forever or never end.
QString fileProblem(const QFileInfo &info)
{
    if (!info.exists())
        return info.isSymLink() ? QStringLiteral("a link to nothing") : QStringLiteral("no such file or folder");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isReadable())
        return QStringLiteral("cannot be read (permission denied)");
    return QString();
}

QList<BatchEntry> folderEntries(const QString &folder)
{
    QStringList files;
    QDirIterator found(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QString path = found.next();
        if (hasAudioSuffix(path))
            files << path;
    }
    std::sort(files.begin(), files.end());
    QList<BatchEntry> entries;
    for (const QString &path : files)
        entries.append({path, fileProblem(QFileInfo(path))});
    if (entries.isEmpty())
        entries.append({folder, QStringLiteral("a folder without audio files")});
    return entries;
}

} // namespace

QList<BatchEntry> batchEntries(const QStringList &paths)
{
    QList<BatchEntry> entries;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            if (!info.isReadable() || !info.isExecutable())
                entries.append({path, QStringLiteral("a folder that cannot be read (permission denied)")});
            else
                entries.append(folderEntries(path));
        } else {
            entries.append({path, fileProblem(info)});
        }
    }
    return entries;
}
