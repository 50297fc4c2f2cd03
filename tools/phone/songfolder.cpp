#include "songfolder.h"
#include "folders/musicfolderscan.h"
#include "folders/songfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>

std::string phoneOwnID(const QByteArray &relativePath)
{
    const QByteArray digest =
        QCryptographicHash::hash("velmora-phone:" + relativePath, QCryptographicHash::Sha256).left(8);
    quint64 id = 0;
    for (const char byte : digest)
        id = (id << 8) | static_cast<unsigned char>(byte);
    return std::to_string(id & 0x7fffffffffffffffULL);
}

bool readSongFolder(const QString &folder, std::vector<wire::MusicPassFields> *songs, QString *error)
{
    const QDir root(QDir(folder).canonicalPath());
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("%1 is no folder").arg(folder);
        return false;
    }
    std::vector<FoundSong> found;
    const std::atomic_bool cancel{false};
    std::atomic<qint64> filesSeen{0};
    scanMusicPaths(
        {root.path()}, [&found](FoundSong &&song) { found.push_back(std::move(song)); }, cancel, filesSeen);
    if (found.empty()) {
        *error = QStringLiteral("%1 holds no song").arg(folder);
        return false;
    }
    // The order of the folder's files, whatever order the scan met them in.
    std::sort(found.begin(), found.end(), [](const FoundSong &a, const FoundSong &b) { return a.path < b.path; });
    songs->clear();
    for (const FoundSong &song : found) {
        const SongTags &tags = song.tags;
        const QString title = tags.title.trimmed().isEmpty() ? titleFromFileName(song.path) : tags.title;
        songs->push_back({phoneOwnID(QFile::encodeName(root.relativeFilePath(song.path))), "false", title.toStdString(),
                          tags.albumTitle.toStdString(), tags.artist.toStdString(), tags.albumArtist.toStdString(),
                          tags.genre.toStdString(), tags.composer.toStdString(), tags.bpm.toStdString(), "true"});
    }
    return true;
}
