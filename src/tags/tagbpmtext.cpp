#include "tags/tagbpmtext.h"

#include <climits>
#include <cmath>

int bpmFromTagText(const QString &text)
{
    QString number = text.trimmed();
    if (!number.contains(QLatin1Char('.')))
        number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    if (rounded >= double(INT_MAX))
        return INT_MAX;
    if (rounded <= double(INT_MIN))
        return INT_MIN;
    return int(rounded);
}
