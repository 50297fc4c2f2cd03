#include "audiofiles.h"

#include "library/regularfile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <unistd.h>

bool hasAudioSuffix(const QString &fileName)
{
    static const QSet<QString> audio{"mp3", "m4a", "m4b",  "mp4", "aac", "flac", "ogg", "oga", "opus",
                                     "wav", "aif", "aiff", "wma", "ape", "wv",   "mpc", "alac"};
    return audio.contains(QFileInfo(fileName).suffix().toLower());
}

QString fileProblem(const QString &path)
{
    // Opened without blocking and judged by what was opened: reading a FIFO
    // or a device would wait forever or never end.
    const RegularFileDescriptor opened = openRegularFileDescriptor(QFile::encodeName(path));
    if (opened.fd >= 0) {
        ::close(opened.fd);
        return QString();
    }
    if (opened.notRegular)
        return QStringLiteral("not a regular file");
    const QFileInfo info(path);
    if (!info.exists())
        return info.isSymLink() ? QStringLiteral("a link to nothing") : QStringLiteral("no such file or folder");
    if (!info.isReadable())
        return QStringLiteral("cannot be read (permission denied)");
    return QStringLiteral("cannot be opened");
}

namespace {

QList<BatchEntry> folderEntries(const QString &folder)
{
    QStringList files;
    // FIFOs and devices too: one behind an audio name is refused with its reason.
    QDirIterator found(folder, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (found.hasNext()) {
        const QString path = found.next();
        if (hasAudioSuffix(path))
            files << path;
    }
    std::sort(files.begin(), files.end());
    QList<BatchEntry> entries;
    for (const QString &path : files)
        entries.append({path, fileProblem(path)});
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
            entries.append({path, fileProblem(path)});
        }
    }
    return entries;
}
