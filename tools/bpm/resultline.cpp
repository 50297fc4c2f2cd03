#include "resultline.h"

namespace {

QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString resultLine(int bpm, int alternative, const QString &path, bool csv)
{
    if (csv)
        return QStringLiteral("%1,%2,%3")
            .arg(bpm)
            .arg(alternative ? QString::number(alternative) : QString(), csvField(path));
    return QStringLiteral("%1\t%2\t%3")
        .arg(bpm)
        .arg(alternative ? QString::number(alternative) : QStringLiteral("-"), path);
}

QString csvHeader() { return QStringLiteral("bpm,alternative,path"); }
