#include "library/itunesrules.h"

#include <QUrl>

QString persistentIDFromHex(const QString &hex)
{
    return QString::number(static_cast<qint64>(hex.toULongLong(nullptr, 16)));
}

bool kindIsAudioFile(const QString &kind) { return kind.contains(QLatin1String("audio file"), Qt::CaseInsensitive); }

bool kindIsProtected(const QString &kind) { return kind.contains(QLatin1String("Protected"), Qt::CaseInsensitive); }

bool takesItunesBpm(int currentBpm, bool locked, const QString &itunesBpm)
{
    const float bpm = itunesBpm.toFloat();
    return currentBpm <= 0 && !locked && bpm >= 50.0f && bpm <= 200.0f;
}

QString locationPath(const QString &location) { return QUrl(location).toLocalFile(); }
