#include "library/bpmrange.h"

#include <QSettings>
#include <QStringList>

namespace {

const QString settingsKey = QStringLiteral("preferredBpmRange");

} // namespace

BpmRange bpmRangeFromText(const QString &text)
{
    const BpmRange full;
    const QStringList ends = text.split(QLatin1Char('-'));
    if (ends.size() != 2)
        return full;
    bool lowIsNumber = false;
    bool highIsNumber = false;
    const BpmRange range{ends[0].trimmed().toInt(&lowIsNumber), ends[1].trimmed().toInt(&highIsNumber)};
    if (!lowIsNumber || !highIsNumber || !full.contains(range.low) || !full.contains(range.high)
        || range.low > range.high)
        return full;
    return range;
}

QString bpmRangeText(const BpmRange &range) { return QStringLiteral("%1-%2").arg(range.low).arg(range.high); }

BpmRange preferredBpmRange()
{
    return bpmRangeFromText(QSettings().value(settingsKey, bpmRangeText(BpmRange())).toString());
}

void setPreferredBpmRange(const BpmRange &range) { QSettings().setValue(settingsKey, bpmRangeText(range)); }
