#include "app/tagdesk.h"
#include "app/bpmrangedialog.h"
#include "library/songstore.h"

namespace {

constexpr int songMessageMs = 4000;

} // namespace

void Tagdesk::setUpLevelCommands()
{
    connect(libraryModel, &LibraryModel::bpmEdited, this, &Tagdesk::bpmEdited);
    connect(actionDouble_BPM, &QAction::triggered, this, &Tagdesk::doubleBpm);
    connect(actionHalve_BPM, &QAction::triggered, this, &Tagdesk::halveBpm);
    connect(actionUse_Alternative_BPM, &QAction::triggered, this, &Tagdesk::useAlternativeBpm);
    connect(actionBPM_x_3_2, &QAction::triggered, this, &Tagdesk::threeHalvesBpm);
    connect(actionBPM_x_2_3, &QAction::triggered, this, &Tagdesk::twoThirdsBpm);
    connect(actionBPM_Range, &QAction::triggered, this, &Tagdesk::bpmRange);
}

void Tagdesk::doubleBpm() { changeLevel(LevelCommand::Double, actionDouble_BPM->text()); }
void Tagdesk::halveBpm() { changeLevel(LevelCommand::Halve, actionHalve_BPM->text()); }
void Tagdesk::useAlternativeBpm() { changeLevel(LevelCommand::UseAlternative, actionUse_Alternative_BPM->text()); }
void Tagdesk::threeHalvesBpm() { changeLevel(LevelCommand::ThreeHalves, actionBPM_x_3_2->text()); }
void Tagdesk::twoThirdsBpm() { changeLevel(LevelCommand::TwoThirds, actionBPM_x_2_3->text()); }

void Tagdesk::bpmRange()
{
    BpmRangeDialog dialog(preferredBpmRange(), this);
    if (dialog.exec() == QDialog::Accepted)
        setPreferredBpmRange(dialog.range());
}

// A BPM the user typed (the model has settled the song's level) is a change
// to save.
void Tagdesk::bpmEdited(const std::string &) { modified = true; }

void Tagdesk::changeLevel(LevelCommand command, const QString &name)
{
    // One announcement for the lot, so the table re-sorts once.
    SongStore &store = SongStore::library();
    SongStore::Step step(store, name);
    SongStore::Batch batch(store);
    int selected = 0;
    int kept = 0;
    int locked = 0;
    for (const std::string &key : selectedSongKeys()) {
        const DBelement *record = store.find(key);
        if (!record)
            continue;
        ++selected;
        const LevelOutcome outcome = levelChange(command, record->levels(), record->bpmLocked());
        if (outcome.kind == LevelOutcome::Kind::Locked) {
            ++locked;
            continue;
        }
        if (outcome.kind == LevelOutcome::Kind::Unchanged) {
            ++kept;
            continue;
        }
        store.change(key, [&outcome](DBelement &song) { song.setLevels(outcome.levels); });
        modified = true;
    }
    QStringList told;
    if (kept)
        told << QStringLiteral("%1 of %2 songs kept their BPM: nothing to change, or outside 50-200")
                    .arg(kept)
                    .arg(selected);
    if (locked)
        told << lockedKeptText(locked);
    if (!told.isEmpty())
        statusbar->showMessage(told.join(QStringLiteral("; ")), songMessageMs);
}
