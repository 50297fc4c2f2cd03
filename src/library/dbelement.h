#pragma once

#include "app/qvxtablewidgetitem.h"

#include <QColor>
#include <QString>
#include <map>
#include <string>

class QTableWidget;
class QXmlStreamAttributes;
class QXmlStreamWriter;

// One song. Every value lives in a table item of its own; those items are the
// very cells the table shows, so changing a record changes its row.
class DBelement
{
public:
    DBelement();
    DBelement(const DBelement &other) = default;
    DBelement &operator=(const DBelement &) = delete;

    // Looks the field's item up, creating it empty on first use.
    QVXtableWidgetItem &field(const std::string &name) { return fields[name]; }
    QString text(const std::string &name) { return field(name).text(); }
    int bpm();
    bool isShown();

    void setTitle(const QString &text);
    void setArtist(const QString &text);
    void setAlbumTitle(const QString &text);
    void setGenre(const QString &text);
    void setAlbumArtist(const QString &text);
    void setComposer(const QString &text);
    void setLocation(const QString &text);
    void setPersistentID(const QString &text);
    void setBPM(const QString &text);
    void setItunes(const QString &flag);
    void setIphone(const QString &flag);
    void setOnDevice(const QString &flag);
    void setUserChanged(const QString &flag);
    // The other tempo level the analyser thought possible, 0 for none; a
    // value outside 50 to 200 is none. A song with one is marked in its BPM
    // cell until the level is settled.
    void setBpmAlternative(int bpm);
    int bpmAlternative() const { return alternativeBpm; }
    static const QColor alternativeBpmColour;

    void setupRow(QTableWidget *table, int row);
    // Writes the record as one "Element_Data" element of a library file:
    // the ten stored fields, then the location when the record has one.
    void saveDom(QXmlStreamWriter &writer);
    // Sets the stored fields from an "Element_Data" element's attributes;
    // an absent attribute empties its field. The location is set only when
    // the element has one. A BPM outside 50 to 200 becomes none; false then,
    // so that the reader can name such songs once, after the read.
    bool loadDom(const QXmlStreamAttributes &attributes);

    std::map<std::string, QVXtableWidgetItem> fields;
    int deviceBPM = 0;
    bool isProtected = false;

private:
    int alternativeBpm = 0;

    void setText(const std::string &name, const QString &text);
    void setFlag(const std::string &name, const QString &flag);
};

// The library: every song the program knows, keyed by persistent ID and
// walked in ascending byte order of the key.
using TableMap = std::map<std::string, DBelement>;
extern TableMap tableMap;

// The tableMap key of a persistent ID. Qt 6's toStdString is UTF-8, which keeps
// distinct IDs distinct; for the ASCII IDs of iTunes and the phone it gives the
// same bytes as Latin-1.
inline std::string libraryKey(const QString &persistentID) { return persistentID.toStdString(); }

// Empties the library and its table. The records' items leave the table
// before any row goes, so no row removal ever deletes a live record's item.
void clearLibrary(QTableWidget *table);
