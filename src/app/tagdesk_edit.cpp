#include "app/tagdesk.h"
#include "library/songstore.h"
#include "table/columns.h"

#include <QMessageBox>
#include <iostream>

void Tagdesk::deleteEdit()
{
    const std::vector<std::string> keys = selectedSongKeys();
    if (QMessageBox::question(nullptr, tr("Delete"), tr("Are you sure you want to delete?"),
                              QMessageBox::Yes | QMessageBox::Cancel)
        == QMessageBox::Cancel)
        return;
    modified = true;
    SongStore &store = SongStore::library();
    SongStore::Step step(store, actionDelete->text());
    SongStore::Batch batch(store);
    for (const std::string &key : keys) {
        const DBelement *record = store.find(key);
        if (!record)
            continue;
        std::cout << "WantDel: " << record->text(SongField::PersistentID).toLocal8Bit().constData() << ' '
                  << int(ColumnPersistentID) << std::endl;
        store.remove(key);
    }
}

namespace {

// A shown song's BPM is a whole number from 50 to 200, or 0 for none.
bool bpmNeedsReset(const DBelement &record)
{
    const int bpm = record.bpm();
    return !record.isSet(SongField::Bpm) || (bpm != 0 && (bpm < 50 || bpm > 200));
}

} // namespace

void Tagdesk::bpmRangeCheck(const QList<const Song *> &songs)
{
    // Keys first: a warning's event loop may change the library.
    std::vector<std::string> toReset;
    for (const Song *song : songs) {
        if (bpmNeedsReset(song->second))
            toReset.push_back(song->first);
    }
    SongStore &store = SongStore::library();
    SongStore::Batch batch(store);
    for (const std::string &key : toReset) {
        const DBelement *record = store.find(key);
        if (!record || !bpmNeedsReset(*record))
            continue;
        if (record->bpm() != 0)
            QMessageBox::warning(this, tr("Out of range"), tr("BPM must be between 50-200"), QMessageBox::Ok);
        store.change(key, [](DBelement &song) { song.setBPM(0); });
    }
}

void Tagdesk::saveOn(const QModelIndex &index)
{
    if (index.column() != ColumnBpm)
        return;
    std::fputs("saveOn\n", stdout);
    modified = true;
}
