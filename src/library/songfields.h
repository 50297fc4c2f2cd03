#pragma once


// The values a song record holds. Each has one name, the one the library file
// and the phone use; code names a field by this enum, so a misspelt field is a
// compile error, and the file's attributes are read and written through
// fieldName().
enum class SongField {
    PersistentID,
    Title,
    Bpm,
    Artist,
    AlbumTitle,
    Genre,
    AlbumArtist,
    Composer,
    Itunes,
    Iphone,
    Location,
    UserChanged,
    // The phone's own ID of a song linked to the phone by what it is.
    PhoneID,
};
constexpr int songFieldCount = int(SongField::PhoneID) + 1;

// "persistentID", "title", "bpm", ...
const char *fieldName(SongField field);

// Fields that hold a flag, shown as "true" or "false".
bool isFlagField(SongField field);
