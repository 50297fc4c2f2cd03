#include "sync/songidentity.h"
#include "library/dbelement.h"

#include <algorithm>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

void foldOtherThanAscii(QStringView text, QString &out)
{
    // Compatibility decomposition splits accents (and ligatures, full-width
    // forms) from their letters, so both can be dropped or compared.
    out = text.toString().normalized(QString::NormalizationForm_KD);
    out.removeIf([](QChar c) { return c.isMark(); });
    out = out.toCaseFolded().trimmed();
    // Qt folds case one character for one; "ß" written as "ss" is the common
    // case that needs two.
    out.replace(QChar(0x00DF), QLatin1String("ss"));
}

} // namespace

void foldSongText(QStringView text, QString &out)
{
    text = text.trimmed();
    if (isAscii(text)) {
        out.resize(text.size());
        QChar *folded = out.data();
        for (const QChar c : text)
            *folded++ = c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + ('a' - 'A')) : c;
    } else {
        foldOtherThanAscii(text, out);
    }
    if (out.startsWith(QLatin1String("the "))) {
        const qsizetype words = std::find_if(out.begin() + 4, out.end(), [](QChar c) { return !c.isSpace(); }) - out.begin();
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
