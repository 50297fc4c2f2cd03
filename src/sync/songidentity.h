#pragma once

#include <QString>
#include <QStringView>

class DBelement;

// What a song is, as a phone's song and a library song are compared to link
// them: its title, artist and album title, each as comparableSongText gives it.
struct SongIdentity
{
    QString title;
    QString artist;
    QString album;

    static SongIdentity of(const QString &title, const QString &artist, const QString &album);
    static SongIdentity of(const DBelement &record);
    // Becomes the record's identity, in the room these texts already have:
    // indexing a library allocates nothing per song.
    void assign(const DBelement &record);
};

// A song text as two libraries may both write it: without surrounding
// spaces, case, accents or a leading "The ", and in one Unicode
// normalisation (so "Café" typed as one character or as "e" and an accent
// compare equal).
QString comparableSongText(QStringView text);
// The same, written into out.
void foldSongText(QStringView text, QString &out);

// Whether the library's song is the phone's: same title and artist, and the
// same album unless either has none. A song without a title is no one's.
bool sameSong(const SongIdentity &phone, const SongIdentity &library);
