#include "resultline.h"

namespace {

bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

QString csvField(QString text)
{
    if (!holdsLineBreak(text) && !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QString shownPath(const QString &path)
{
    if (!holdsLineBreak(path) && !path.startsWith(QLatin1Char('"')))
        return path;
    QString escaped;
    for (const QChar c : path) {
        if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\') + c;
        else
            escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString resultLine(int bpm, int alternative, const QString &path, bool csv)
{
    if (csv)
        return QStringLiteral("%1,%2,%3")
            .arg(bpm)
            .arg(alternative ? QString::number(alternative) : QString(), csvField(path));
    return QStringLiteral("%1\t%2\t%3")
        .arg(bpm)
        .arg(alternative ? QString::number(alternative) : QStringLiteral("-"), shownPath(path));
}

QString taggedResultLine(int bpm, const QString &path, bool csv)
{
    return resultLine(bpm, 0, path, csv) + (csv ? QStringLiteral(",tagged") : QStringLiteral("\ttagged"));
}

QString csvHeader(bool withSource)
{
    return withSource ? QStringLiteral("bpm,alternative,path,source") : QStringLiteral("bpm,alternative,path");
}
