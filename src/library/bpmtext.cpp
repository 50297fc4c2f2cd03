#include "library/bpmtext.h"

#include <climits>
#include <cmath>

int bpmFromText(const QString &text)
{
    const float value = text.toFloat();
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

bool flagFromText(const QString &text) { return text == QLatin1String("1") || text == QLatin1String("true"); }
