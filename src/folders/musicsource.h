#pragma once

#include <QString>
#include <QStringList>

// Where the user's music comes from: the iTunes library file when there is
// one, otherwise the music folders the user has picked.
enum class MusicSource { Itunes, Folders, None };

QString itunesLibraryFileName();
MusicSource musicSource(bool itunesFileExists, const QStringList &musicFolders);
MusicSource currentMusicSource();

// The folders picked with "From Music Folder..." or named on the command
// line, kept in the settings under "musicFolders".
QStringList rememberedMusicFolders();
void rememberMusicFolder(const QString &folder);

// What a user with neither source is told, instead of a missing file's name.
QString noMusicSourceTitle();
QString noMusicSourceText();
