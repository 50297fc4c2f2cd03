#include "sync/songidentity.h"
#include "library/dbelement.h"
#include "library/foldedtext.h"

#include <algorithm>

void foldSongText(QStringView text, QString &out)
{
    foldCaseAndAccents(text.trimmed(), out);
    out = out.trimmed();
    if (out.startsWith(QLatin1String("the "))) {
        const qsizetype words =
            std::find_if(out.begin() + 4, out.end(), [](QChar c) { return !c.isSpace(); }) - out.begin();
        out.remove(0, words);
    }
}

QString comparableSongText(QStringView text)
{
    QString folded;
    foldSongText(text, folded);
    return folded;
}

SongIdentity SongIdentity::of(const QString &title, const QString &artist, const QString &album)
{
    return {comparableSongText(title), comparableSongText(artist), comparableSongText(album)};
}

void SongIdentity::assign(const DBelement &record)
{
    foldSongText(record.storedText(SongField::Title), title);
    foldSongText(record.storedText(SongField::Artist), artist);
    foldSongText(record.storedText(SongField::AlbumTitle), album);
}

SongIdentity SongIdentity::of(const DBelement &record)
{
    SongIdentity identity;
    identity.assign(record);
    return identity;
}

bool sameSong(const SongIdentity &phone, const SongIdentity &library)
{
    return !phone.title.isEmpty() && phone.title == library.title && phone.artist == library.artist
        && (phone.album.isEmpty() || library.album.isEmpty() || phone.album == library.album);
}
