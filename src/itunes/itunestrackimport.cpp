#include "itunes/itunestrackimport.h"
#include "itunes/itunesrules.h"
#include "table/tablecells.h"
#include "library/dbelement.h"

#include <QTableWidget>

namespace {

// Drops the record; a shown record's items leave its row first, which keeps
// the table from searching for each of them as they are destroyed.
bool dropRecord(const std::string &key)
{
    const auto record = tableMap.find(key);
    if (record == tableMap.end())
        return false;
    QTableWidgetItem &title = record->second.field("title");
    QTableWidget *shownIn = title.tableWidget();
    if (shownIn)
        emptyRow(shownIn, shownIn->row(&title));
    tableMap.erase(record);
    return shownIn != nullptr;
}

} // namespace

bool importItunesTrack(const ItunesTrack &track, QTableWidget *table, std::ostream &out)
{
    out << "QVX Persistent ID found: ";
    if (!track.hasPersistentID) {
        out << "unknown\n";
        return false;
    }
    const QString persistentID = persistentIDFromHex(track.persistentIDText);
    const std::string key = libraryKey(persistentID);
    DBelement &record = tableMap[key];
    record.setItunes(QStringLiteral("1"));
    record.setPersistentID(persistentID);
    out << key << ' ';
    for (int i = 0; i < track.keyCount(); ++i) {
        const ItunesKeyValue &field = track.key(i);
        const QString &value = field.value;
        switch (field.key) {
        case ItunesKey::Kind:
            if (!kindIsAudioFile(value)) {
                const bool emptied = dropRecord(key);
                out << std::endl;
                return emptied;
            }
            if (kindIsProtected(value))
                record.isProtected = true;
            break;
        case ItunesKey::BPM:
            out << "BPM: ";
            if (takesItunesBpm(record.bpm(), value))
                record.setBPM(value);
            out << value.toLocal8Bit().constData() << ' ';
            break;
        case ItunesKey::Name:
            record.setTitle(value);
            break;
        case ItunesKey::Artist:
            record.setArtist(value);
            break;
        case ItunesKey::Album:
            record.setAlbumTitle(value);
            break;
        case ItunesKey::Genre:
            record.setGenre(value);
            break;
        case ItunesKey::AlbumArtist:
            record.setAlbumArtist(value);
            break;
        case ItunesKey::Composer:
            record.setComposer(value);
            break;
        case ItunesKey::Location: {
            out << "loc: ";
            const QString path = locationPath(value);
            record.setLocation(path);
            out << path.toLocal8Bit().constData() << ' ';
            break;
        }
        }
    }
    record.setupRow(table, -1);
    out << std::endl;
    return false;
}
