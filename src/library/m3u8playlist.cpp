#include "library/m3u8playlist.h"
#include "library/dbelement.h"
#include "library/filereplacement.h"
#include "library/itunesroot.h"
#include "library/songlocation.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// A tag's text on the one #EXTINF line it has.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

QString displayName(const PlaylistSong &song)
{
    const QString artist = oneLine(song.artist);
    const QString title = oneLine(song.title);
    if (artist.isEmpty())
        return title;
    if (title.isEmpty())
        return artist;
    return artist + QStringLiteral(" - ") + title;
}

QString pathLine(const QString &songPath, const QString &folder)
{
    const QString path = QDir::cleanPath(songPath);
    const QString base = QDir::cleanPath(folder);
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return path;
    const QString relative = path.mid(prefix.size());
    // A line starting with "#" would be read as a comment.
    return relative.startsWith(QLatin1Char('#')) ? QStringLiteral("./") + relative : relative;
}

} // namespace

PlaylistSong playlistSong(const DBelement &record, const ItunesRootMap &roots)
{
    PlaylistSong song;
    const QString path = localSongPath(record.text(SongField::Location), roots);
    if (!path.isEmpty()) {
        const QFileInfo file(path);
        song.path = file.absoluteFilePath();
        song.fileFound = file.isFile();
    }
    song.artist = record.text(SongField::Artist);
    song.title = record.text(SongField::Title);
    return song;
}

M3u8Playlist m3u8Playlist(const std::vector<PlaylistSong> &songs, const QString &folder)
{
    M3u8Playlist playlist;
    QString text = QStringLiteral("#EXTM3U\n");
    for (const PlaylistSong &song : songs) {
        if (!song.fileFound) {
            ++playlist.withoutFile;
            continue;
        }
        if (holdsLineBreak(song.path)) {
            ++playlist.lineBreakInName;
            continue;
        }
        text += QStringLiteral("#EXTINF:%1,%2\n%3\n")
                    .arg(song.seconds >= 0 ? song.seconds : -1)
                    .arg(displayName(song), pathLine(song.path, folder));
        ++playlist.written;
    }
    playlist.text = text.toUtf8();
    return playlist;
}

QString playlistSummary(const M3u8Playlist &playlist)
{
    QString summary = playlist.written == 1 ? QStringLiteral("Playlist written: 1 song")
                                            : QStringLiteral("Playlist written: %1 songs").arg(playlist.written);
    if (playlist.withoutFile > 0)
        summary += QStringLiteral(", %1 left out (no file)").arg(playlist.withoutFile);
    if (playlist.lineBreakInName > 0)
        summary += QStringLiteral(", %1 left out (line break in the file name)").arg(playlist.lineBreakInName);
    return summary;
}

bool savePlaylistFile(const QString &fileName, const QByteArray &text, QString *error)
{
    const bool existed = QFileInfo::exists(fileName);
    const QString why = writeReplacement(fileName, text);
    if (why.isEmpty())
        return true;
    *error = why + (existed ? QStringLiteral("; the file is as it was") : QStringLiteral("; nothing was written"));
    return false;
}
