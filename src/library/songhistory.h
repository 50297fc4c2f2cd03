#pragma once

#include "library/songstore.h"

#include <QObject>
#include <QUndoStack>
#include <memory>
#include <utility>
#include <vector>

// The library's history, for Undo and Redo: each step the store records (a
// typed BPM, a level command, a whole BeatFind run, an import) is one
// command of a QUndoStack. Undoing puts back the songs the step touched,
// exactly as they were, so the library file written afterwards is the one
// written before the step.
class SongHistory : public QObject, public StepKeeper
{
    Q_OBJECT

public:
    // Steps kept; the oldest goes when one more comes.
    static constexpr int stepLimit = 100;

    explicit SongHistory(SongStore &store, QObject *parent = nullptr);
    ~SongHistory() override;

    const QUndoStack &steps() const { return stack; }
    // Undo and Redo wait while a step is under way or being undone or redone.
    bool canUndo() const { return !isBusy() && stack.canUndo(); }
    bool canRedo() const { return !isBusy() && stack.canRedo(); }
    void undo();
    void redo();
    // The library as it is now is the one in its file.
    void markSaved() { stack.setClean(); }
    // The library as it is now is in no file, and no step leads back to a
    // state that is.
    void markUnsaved() { stack.resetClean(); }
    bool atSavedState() const { return stack.isClean(); }
    // The memory the kept steps hold, roughly, in bytes.
    size_t bytes() const;

signals:
    // What Undo and Redo can do, or name, has changed.
    void changed();

private:
    class StepCommand;

    void keepStep(const QString &text, std::unique_ptr<StoreStep> step) override;
    void forgetSteps() override;
    void stepUnderWay(bool underWay) override;
    bool isBusy() const { return stepsUnderWay || working; }
    // Finishes a step and puts it on the stack, unless it changed nothing.
    void addStep(const QString &text, std::unique_ptr<StoreStep> step);
    // Undoes or redoes one step.
    void exchange(StoreStep &step);
    // What came while the history was working: a forgetting, and steps.
    void catchUp();

    SongStore &store;
    QUndoStack stack;
    bool stepsUnderWay = false;
    // Finishing, undoing or redoing a step, with breaks in which the window
    // paints: what the library asks meanwhile waits.
    bool working = false;
    bool forgetLater = false;
    std::vector<std::pair<QString, std::unique_ptr<StoreStep>>> laterSteps;
};
