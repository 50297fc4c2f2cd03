#include "app/tagdesk.h"
#include "itunes/duplicatemerge.h"
#include "library/songstore.h"
#include "table/paintbreaks.h"

#include <QMessageBox>
#include <iostream>

void Tagdesk::mergeEdit()
{
    if (modified) {
        const auto answer = QMessageBox::question(nullptr, tr("Merge"), tr("Do you want to Save before doing a merge?"),
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes)
            saveFile();
    }
    modified = true;
    connect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);
    if (importMusicSource() != 0)
        disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);
}

void Tagdesk::doMerge()
{
    disconnect(this, &Tagdesk::loadItunesDone, this, &Tagdesk::doMerge);
    SongStore &store = SongStore::library();
    store.beginBulkChange();

    // The window repaints now and then; no command or phone session can
    // start until the merge is done. The import has just used up this turn.
    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    breaks.takeNow();

    std::set<std::string> toDrop;
    {
        SongStore::Batch batch(store);
        // A BPM's Alternative belongs to it and goes along.
        auto carryBpm = [&store](const std::string &to, const DBelement &from) {
            const int bpm = from.bpm();
            const int alternative = from.bpmAlternative();
            store.change(to, [bpm, alternative](DBelement &record) {
                record.setBPM(bpm);
                record.setBpmAlternative(alternative);
            });
        };
        toDrop = findDuplicates(store.tableMap(), carryBpm, std::cout, [&breaks] { breaks.take(); });
        for (const std::string &key : toDrop)
            store.remove(key);
    }
    store.endBulkChange();
    std::cout << "Merge done\n";
    std::cout.flush();
}
