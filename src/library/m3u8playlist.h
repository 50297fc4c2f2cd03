#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class DBelement;
class ItunesRootMap;

// One song as a playlist names it.
struct PlaylistSong
{
    // The song's file, absolute; empty when the song has no location.
    QString path;
    // Whether that file is there: songs without one are left out.
    bool fileFound = false;
    QString artist;
    QString title;
    // The song's length in whole seconds, -1 when unknown.
    int seconds = -1;
};

// The song of a library record: its file where this computer has it, a
// copied iTunes library's songs found through roots.
PlaylistSong playlistSong(const DBelement &record, const ItunesRootMap &roots);

// An extended M3U playlist in UTF-8, and what it had to leave out.
struct M3u8Playlist
{
    QByteArray text;
    int written = 0;
    // Songs without a file.
    int withoutFile = 0;
    // Songs whose file name holds a line break, which no M3U line can hold.
    int lineBreakInName = 0;
};

// The playlist of songs, in their order, to be saved in folder (absolute):
// "#EXTM3U", then for each song "#EXTINF:<seconds>,<artist> - <title>" and
// its path, relative to folder when its file lies under it, absolute
// otherwise; lines end in "\n".
M3u8Playlist m3u8Playlist(const std::vector<PlaylistSong> &songs, const QString &folder);

// "Playlist written: 120 songs, 3 left out (no file)".
QString playlistSummary(const M3u8Playlist &playlist);

// Saves the playlist's text to fileName through a copy that replaces the
// file only once complete; false, with error saying why and whether an old
// file is as it was, when it could not be written.
bool savePlaylistFile(const QString &fileName, const QByteArray &text, QString *error);
