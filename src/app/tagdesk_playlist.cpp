#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/itunesroot.h"
#include "library/m3u8playlist.h"
#include "library/songstore.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString playlistFolderKey = QStringLiteral("playlistFolder");
constexpr int summaryMessageMs = 8000;

// The library's name in the folder the last playlist went to, else beside
// the library file, else at home.
QString proposedPlaylistPath()
{
    const QFileInfo library(currentFileName);
    const QString name = currentFileName.isEmpty() ? QStringLiteral("Playlist") : library.completeBaseName();
    QString folder = QSettings().value(playlistFolderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = currentFileName.isEmpty() ? QDir::homePath() : library.absolutePath();
    return QDir(folder).filePath(name + QStringLiteral(".m3u8"));
}

} // namespace

void Tagdesk::exportPlaylist()
{
    QFileDialog dialog(this, tr("Export Playlist"), proposedPlaylistPath(), tr("M3U8 playlists (*.m3u8)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("m3u8"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    QString summary;
    if (!writePlaylist(fileName, shownSongKeys(), &summary)) {
        QMessageBox::critical(nullptr, tr("Export Playlist"), summary, QMessageBox::Ok);
        return;
    }
    QSettings().setValue(playlistFolderKey, QFileInfo(fileName).absolutePath());
    statusbar->showMessage(summary, summaryMessageMs);
}

bool Tagdesk::writePlaylist(const QString &fileName, const std::vector<std::string> &keys, QString *summary)
{
    std::vector<PlaylistSong> songs;
    const SongStore &store = SongStore::library();
    // Read once: the settings would be read for every song otherwise.
    const ItunesRootMap roots;
    for (const std::string &key : keys) {
        if (const DBelement *record = store.find(key))
            songs.push_back(playlistSong(*record, roots));
    }
    const M3u8Playlist playlist = m3u8Playlist(songs, QFileInfo(fileName).absolutePath());
    QString error;
    if (!savePlaylistFile(fileName, playlist.text, &error)) {
        *summary = tr("The playlist could not be written to \"%1\": %2").arg(fileName, error);
        return false;
    }
    *summary = playlistSummary(playlist);
    return true;
}
