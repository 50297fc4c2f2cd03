#include "app/tagdesk.h"
#include "library/songstore.h"

void Tagdesk::setUpLocking()
{
    connect(actionLock_BPM, &QAction::triggered, this, &Tagdesk::lockBpm);
    connect(tableWidget->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Tagdesk::showSelectionLock);
    connect(&SongStore::library(), &SongStore::songsChanged, this, &Tagdesk::showSelectionLock);
    connect(&SongStore::library(), &SongStore::cleared, this, &Tagdesk::showSelectionLock);
}

// Decided afresh from the songs rather than from the check mark, which a
// shortcut toggles whatever it showed.
void Tagdesk::lockBpm()
{
    const bool lock = !selectionLocked();
    SongStore &store = SongStore::library();
    SongStore::Step step(store, lock ? actionLock_BPM->text() : tr("Unlock BPM"));
    SongStore::Batch batch(store);
    for (const std::string &key : selectedSongKeys()) {
        const DBelement *record = store.find(key);
        if (!record || record->bpmLocked() == lock)
            continue;
        store.change(key, [lock](DBelement &song) { song.setBpmLocked(lock); });
        modified = true;
    }
    showSelectionLock();
}

// Stops at the first unlocked song, so a large selection costs little.
bool Tagdesk::selectionLocked() const
{
    bool any = false;
    for (const QItemSelectionRange &range : tableWidget->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const Song *song = filterModel->songAt(row);
            if (!song)
                continue;
            if (!song->second.bpmLocked())
                return false;
            any = true;
        }
    }
    return any;
}

void Tagdesk::showSelectionLock() { actionLock_BPM->setChecked(selectionLocked()); }

QString Tagdesk::lockedKeptText(int count)
{
    return count == 1 ? QStringLiteral("1 locked song kept its BPM")
                      : QStringLiteral("%1 locked songs kept their BPM").arg(count);
}
