#pragma once

#include <QtGlobal>
#include <functional>

// Long work on the GUI thread runs in steps from the event loop. A step does
// batches of a few items while its time budget lasts, so a large job is not
// applied at the pace of one repaint per batch, nor holds the window for long.
struct TimedBatches
{
    static constexpr int batchSize = 20;

    // Applies items with applyNext while hasNext holds: at least one batch,
    // then further batches while budgetMs lasts. True when items remain.
    static bool run(qint64 budgetMs, const std::function<bool()> &hasNext, const std::function<void()> &applyNext);
};
