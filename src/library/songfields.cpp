#include "library/songfields.h"

#include <QString>

namespace {

const char *const names[songFieldCount] = {
    "persistentID", "title",    "bpm",    "artist", "albumTitle", "genre",
    "albumArtist",  "composer", "iTunes", "iPhone", "location",   "userChanged",
};

} // namespace

const char *fieldName(SongField field) { return names[int(field)]; }

std::optional<SongField> fieldNamed(const QString &name)
{
    for (int i = 0; i < songFieldCount; ++i) {
        if (name == QLatin1String(names[i]))
            return SongField(i);
    }
    return std::nullopt;
}

bool isFlagField(SongField field)
{
    return field == SongField::Itunes || field == SongField::Iphone || field == SongField::UserChanged;
}
