#include "app/tagdesk.h"
#include "library/songhistory.h"
#include "library/songstore.h"

namespace {

constexpr int undoMessageMs = 4000;

} // namespace

void Tagdesk::setUpHistory()
{
    history = new SongHistory(SongStore::library(), this);
    connect(actionUndo, &QAction::triggered, this, &Tagdesk::undoEdit);
    connect(actionRedo, &QAction::triggered, this, &Tagdesk::redoEdit);
    connect(history, &SongHistory::changed, this, &Tagdesk::showHistory);
    showHistory();
}

void Tagdesk::undoEdit() { takeHistoryStep(true); }
void Tagdesk::redoEdit() { takeHistoryStep(false); }

void Tagdesk::takeHistoryStep(bool back)
{
    if (back ? !history->canUndo() : !history->canRedo())
        return;
    const QString text = back ? history->steps().undoText() : history->steps().redoText();
    back ? history->undo() : history->redo();
    // Back at the library as saved, there is nothing to save.
    modified = !history->atSavedState();
    statusbar->showMessage((back ? tr("Undone: %1") : tr("Redone: %1")).arg(text), undoMessageMs);
}

// Named even while a step under way makes them wait.
void Tagdesk::showHistory()
{
    const QUndoStack &steps = history->steps();
    actionUndo->setText(steps.canUndo() ? tr("Undo %1").arg(steps.undoText()) : tr("Undo"));
    actionRedo->setText(steps.canRedo() ? tr("Redo %1").arg(steps.redoText()) : tr("Redo"));
    actionUndo->setEnabled(history->canUndo());
    actionRedo->setEnabled(history->canRedo());
}
