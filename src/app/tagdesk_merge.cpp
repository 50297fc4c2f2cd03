#include "app/tagdesk.h"
#include "itunes/duplicatemerge.h"
#include "library/phonelink.h"
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
    SongStore::Step step(store, actionMerge->text());
    store.beginBulkChange();

    // The window repaints now and then; no command or phone session can
    // start until the merge is done. The import has just used up this turn.
    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    breaks.takeNow();

    std::set<std::string> toDrop;
    {
        SongStore::Batch batch(store);
        PhoneLinkCarry links;
        auto carryOver = [&store, &links](const std::string &kept, const DBelement &dropped, bool takesBpm) {
            store.change(kept, [&](DBelement &record) {
                // A BPM's exact tempo, Alternative and lock belong to it and go along.
                if (takesBpm) {
                    record.setLevels(dropped.levels());
                    record.setBpmLocked(dropped.bpmLocked());
                }
                links.carry(record, dropped);
            });
        };
        toDrop = findDuplicates(store.tableMap(), carryOver, std::cout, [&breaks] { breaks.take(); });
        // Each removal is also kept for Undo, which costs a few microseconds.
        breaks.takeNow();
        for (const std::string &key : toDrop) {
            store.remove(key);
            breaks.take();
        }
    }
    store.endBulkChange();
    std::cout << "Merge done\n";
    std::cout.flush();
}
