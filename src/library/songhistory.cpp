#include "library/songhistory.h"
#include "table/paintbreaks.h"

#include <QUndoCommand>

class SongHistory::StepCommand : public QUndoCommand
{
public:
    StepCommand(SongHistory &history, const QString &text, std::unique_ptr<StoreStep> step)
        : QUndoCommand(text), history(history), step(std::move(step))
    {}
    void undo() override { history.exchange(*step); }
    // Pushed once its changes are made: only a redo after an undo exchanges.
    void redo() override
    {
        if (pushed)
            history.exchange(*step);
        pushed = true;
    }
    size_t bytes() const { return sizeof(*this) + size_t(text().size()) * 2 + step->bytes(); }

private:
    SongHistory &history;
    std::unique_ptr<StoreStep> step;
    bool pushed = false;
};

SongHistory::SongHistory(SongStore &store, QObject *parent) : QObject(parent), store(store)
{
    stack.setUndoLimit(stepLimit);
    store.setStepKeeper(this);
    connect(&stack, &QUndoStack::indexChanged, this, &SongHistory::changed);
}

// The stack empties itself as it goes, which is no news for the window
// going with it. A window made before this one went keeps its own history.
SongHistory::~SongHistory()
{
    disconnect(&stack, nullptr, this, nullptr);
    if (store.stepKeeper() == this)
        store.setStepKeeper(nullptr);
}

void SongHistory::undo()
{
    if (!canUndo())
        return;
    stack.undo();
    catchUp();
}

void SongHistory::redo()
{
    if (!canRedo())
        return;
    stack.redo();
    catchUp();
}

size_t SongHistory::bytes() const
{
    size_t total = 0;
    for (int index = 0; index < stack.count(); ++index)
        total += static_cast<const StepCommand *>(stack.command(index))->bytes();
    return total;
}

void SongHistory::keepStep(const QString &text, std::unique_ptr<StoreStep> step)
{
    if (working) {
        laterSteps.emplace_back(text, std::move(step));
        return;
    }
    addStep(text, std::move(step));
    catchUp();
}

void SongHistory::addStep(const QString &text, std::unique_ptr<StoreStep> step)
{
    // A large step takes a while to compare with the library: the window
    // keeps painting meanwhile, and a change that outdates the step makes
    // the history forget it with the rest.
    working = true;
    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    // A large step ends a long activity, whose last work used up this turn.
    if (step->songCount() >= StoreStep::askEvery)
        breaks.takeNow();
    const bool finished = step->finish([this, &breaks] {
        breaks.take();
        return !forgetLater;
    });
    working = false;
    if (finished && !step->isEmpty())
        stack.push(new StepCommand(*this, text, std::move(step)));
}

void SongHistory::forgetSteps()
{
    if (working) {
        forgetLater = true;
        laterSteps.clear();
        return;
    }
    // Whether the library is in its file now is not the history's to know.
    const bool hadSteps = stack.count() > 0;
    stack.clear();
    stack.resetClean();
    if (hadSteps)
        emit changed();
}

void SongHistory::stepUnderWay(bool underWay)
{
    stepsUnderWay = underWay;
    emit changed();
}

void SongHistory::exchange(StoreStep &step)
{
    working = true;
    emit changed();
    // Nothing else may change the library halfway: user input and phone
    // sessions wait until the step is back.
    PaintBreaks breaks(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    store.exchange(step, [&breaks] { breaks.take(); });
    working = false;
}

// Steps that ended while the history was working are added in the order they
// came; a forgetting asked for meanwhile comes first.
void SongHistory::catchUp()
{
    for (;;) {
        if (forgetLater) {
            forgetLater = false;
            forgetSteps();
        }
        if (laterSteps.empty())
            break;
        auto [text, step] = std::move(laterSteps.front());
        laterSteps.erase(laterSteps.begin());
        addStep(text, std::move(step));
    }
    emit changed();
}
