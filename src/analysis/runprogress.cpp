#include "analysis/runprogress.h"

QString progressText(int number, int total, int secondsLeft)
{
    QString text = QStringLiteral("%1 of %2").arg(number).arg(total);
    if (secondsLeft < 0)
        return text;
    if (secondsLeft < 60)
        return text + QStringLiteral(", about %1 s left").arg(qMax(1, secondsLeft));
    return text + QStringLiteral(", about %1 min left").arg((secondsLeft + 30) / 60);
}
