#include "table/timedbatches.h"

#include <QElapsedTimer>

bool TimedBatches::run(qint64 budgetMs, const std::function<bool()> &hasNext, const std::function<void()> &applyNext)
{
    QElapsedTimer turn;
    turn.start();
    do {
        for (int left = batchSize; left > 0 && hasNext(); --left)
            applyNext();
    } while (hasNext() && turn.elapsed() < budgetMs);
    return hasNext();
}
