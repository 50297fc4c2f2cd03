#include "library/songfields.h"


namespace {

const char *const names[songFieldCount] = {
    "persistentID", "title",    "bpm",    "artist", "albumTitle", "genre",
    "albumArtist",  "composer", "iTunes", "iPhone", "location",   "userChanged",
    "phoneID",
};

} // namespace

const char *fieldName(SongField field) { return names[int(field)]; }

bool isFlagField(SongField field)
{
    return field == SongField::Itunes || field == SongField::Iphone || field == SongField::UserChanged;
}
