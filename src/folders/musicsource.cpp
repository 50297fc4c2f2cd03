#include "folders/musicsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString foldersKey = QStringLiteral("musicFolders");

} // namespace

QString itunesLibraryFileName() { return QDir::homePath() + QStringLiteral("/Music/iTunes/iTunes Music Library.xml"); }

MusicSource musicSource(bool itunesFileExists, const QStringList &musicFolders)
{
    if (itunesFileExists)
        return MusicSource::Itunes;
    return musicFolders.isEmpty() ? MusicSource::None : MusicSource::Folders;
}

MusicSource currentMusicSource()
{
    return musicSource(QFileInfo::exists(itunesLibraryFileName()), rememberedMusicFolders());
}

QStringList rememberedMusicFolders() { return QSettings().value(foldersKey).toStringList(); }

void rememberMusicFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList folders = rememberedMusicFolders();
    if (folders.contains(path))
        return;
    folders << path;
    QSettings().setValue(foldersKey, folders);
}

QString noMusicSourceTitle() { return QCoreApplication::translate("Tagdesk", "No music yet"); }

QString noMusicSourceText()
{
    return QCoreApplication::translate(
               "Tagdesk",
               "VelmoraSync has no music to import yet. To add music, choose Sync > From Music Folder... and pick "
               "the folder that holds your songs (or drop the folder on the window), or place an iTunes library "
               "file at \"%1\" and choose Sync > From iTunes.")
        .arg(itunesLibraryFileName());
}
