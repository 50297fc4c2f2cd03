#include "sync/songidentity.h"
#include "library/dbelement.h"

#include <algorithm>

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

QString comparableSongText(const QString &text)
{
    QString folded = text.trimmed();
    if (!isAscii(folded)) {
        // Compatibility decomposition splits accents (and ligatures, full-width
        // forms) from their letters, so both can be dropped or compared.
        folded = folded.normalized(QString::NormalizationForm_KD);
        folded.removeIf([](QChar c) { return c.isMark(); });
    }
    folded = folded.toCaseFolded().trimmed();
    // Qt folds case one character for one; "ß" written as "ss" is the common
    // case that needs two.
    folded.replace(QChar(0x00DF), QLatin1String("ss"));
    if (folded.startsWith(QLatin1String("the ")))
        folded = folded.mid(4).trimmed();
    return folded;
}

SongIdentity SongIdentity::of(const QString &title, const QString &artist, const QString &album)
{
    return {comparableSongText(title), comparableSongText(artist), comparableSongText(album)};
}

SongIdentity SongIdentity::of(const DBelement &record)
{
    return of(record.storedText(SongField::Title), record.storedText(SongField::Artist),
              record.storedText(SongField::AlbumTitle));
}

bool sameSong(const SongIdentity &phone, const SongIdentity &library)
{
    return !phone.title.isEmpty() && phone.title == library.title && phone.artist == library.artist
           && (phone.album.isEmpty() || library.album.isEmpty() || phone.album == library.album);
}
