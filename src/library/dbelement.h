#pragma once

#include "library/bpmlevel.h"
#include "library/songfields.h"

#include <QColor>
#include <QString>
#include <QVariant>
#include <map>
#include <string>

class QXmlStreamAttributes;
class QXmlStreamWriter;

// One song: its values, and nothing of how they are shown. A value never set
// differs from an empty one (the table shows both empty, but sorts an unset
// value after every set one, and the library file writes it as ""). Records
// live in the song store and change only through it (library/songstore.h).
class DBelement
{
public:
    // The value as the table shows it: a text, a whole number for the BPM, a
    // flag for "iTunes", "iPhone" and "userChanged"; invalid when never set.
    QVariant value(SongField field) const;
    // The value as text, as the library file stores it: flags read "true" or
    // "false", a value never set is empty.
    QString text(SongField field) const;
    bool isSet(SongField field) const { return (setFields & bit(field)) != 0; }
    bool flag(SongField field) const { return (flags & bit(field)) != 0; }
    int bpm() const { return bpmValue; }
    // The other tempo level the analyser thought possible, 0 for none. A song
    // with one is marked in its BPM cell until the level is settled.
    int bpmAlternative() const { return alternativeBpm; }
    static const QColor alternativeBpmColour;
    // The tempo as BeatFind found it or a level command worked it out, of
    // which bpm() is the nearest whole number; the whole BPM itself when the
    // BPM was set as one.
    double bpmExact() const { return exactBpm != 0 ? exactBpm : bpmValue; }
    BpmLevels levels() const { return {bpmExact(), alternativeBpm}; }
    // The user has settled the BPM (by typing it, or Lock BPM): BeatFind, the
    // level commands and the imports leave it as it is.
    bool bpmLocked() const { return lockedBpm; }

    // Sets a field from text: a text as it is, the BPM as a whole number, a
    // flag from "1" or "true".
    void setText(SongField field, const QString &text);
    void setTitle(const QString &text) { setText(SongField::Title, text); }
    void setArtist(const QString &text) { setText(SongField::Artist, text); }
    void setAlbumTitle(const QString &text) { setText(SongField::AlbumTitle, text); }
    void setGenre(const QString &text) { setText(SongField::Genre, text); }
    void setAlbumArtist(const QString &text) { setText(SongField::AlbumArtist, text); }
    void setComposer(const QString &text) { setText(SongField::Composer, text); }
    void setLocation(const QString &text) { setText(SongField::Location, text); }
    void setPersistentID(const QString &text) { setText(SongField::PersistentID, text); }
    void setBPM(const QString &text) { setText(SongField::Bpm, text); }
    // A whole BPM; it is its own exact tempo.
    void setBPM(int bpm);
    // A tempo and the whole BPM it shows as (wholeBpm).
    void setBpmExact(double tempo);
    void setItunes(const QString &flag) { setText(SongField::Itunes, flag); }
    void setIphone(const QString &flag) { setText(SongField::Iphone, flag); }
    void setOnDevice(const QString &flag) { setText(SongField::Iphone, flag); }
    void setUserChanged(const QString &flag) { setText(SongField::UserChanged, flag); }
    void setPhoneID(const QString &text) { setText(SongField::PhoneID, text); }
    // A value outside 50 to 200 is none.
    void setBpmAlternative(int bpm);
    void setLevels(const BpmLevels &levels);
    void setBpmLocked(bool locked) { lockedBpm = locked; }

    // Writes the record as one "Element_Data" element of a library file:
    // the ten stored fields, then the Alternative, the location, the phone's
    // ID, the lock and the exact tempo when the record has them.
    void saveDom(QXmlStreamWriter &writer) const;
    // Sets the stored fields from an "Element_Data" element's attributes;
    // an absent attribute empties its field. The location and the phone's ID
    // are set only when the element has them; an exact tempo only when it
    // comes to the BPM. A BPM outside 50 to 200 becomes none; false then,
    // so that the reader can name such songs once, after the read.
    bool loadDom(const QXmlStreamAttributes &attributes);

    // Whether the song has a row in the table (the store's setupRow).
    bool isShown() const { return shown >= 0; }
    // A shown song's number among the shown songs, stable while it is shown
    // and below SongStore::shownSlots(); -1 for a song without a row. A
    // table indexes its rows by it.
    int shownSlot() const { return shown; }
    // A text field's value, without a copy, for comparisons.
    const QString &storedText(SongField field) const { return *textSlot(field); }
    // Every value the same, whatever the rows.
    bool sameValues(const DBelement &other) const;

    int deviceBPM = 0;
    bool isProtected = false;

private:
    friend class SongStore;

    static constexpr quint16 bit(SongField field) { return quint16(1u << int(field)); }
    QString *textSlot(SongField field);
    const QString *textSlot(SongField field) const;

    // The nine text fields, in the order of SongField less the BPM and flags.
    QString texts[9];
    int bpmValue = 0;
    int alternativeBpm = 0;
    // 0 when the whole BPM is the exact tempo.
    double exactBpm = 0;
    bool lockedBpm = false;
    quint16 flags = 0;
    quint16 setFields = 0;
    int shown = -1;
    // Shown or changed in the store's batch under way, so named once in its
    // announcement.
    bool noticed = false;
};

// The library: every song the program knows, keyed by persistent ID and
// walked in ascending byte order of the key.
using TableMap = std::map<std::string, DBelement>;

// The tableMap key of a persistent ID. Qt 6's toStdString is UTF-8, which keeps
// distinct IDs distinct; for the ASCII IDs of iTunes and the phone it gives the
// same bytes as Latin-1.
inline std::string libraryKey(const QString &persistentID) { return persistentID.toStdString(); }
