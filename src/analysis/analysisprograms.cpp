#include "analysis/analysisprograms.h"

#include <QCoreApplication>
#include <QProcess>

namespace {

QString resourcePath(const char *name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../Resources/") + QLatin1String(name);
}

} // namespace

#ifdef Q_OS_MACOS

QString defaultConverterPath() { return resourcePath("pcmdump.scpt"); }

void startConverter(QProcess &process, const QString &converterPath, const QString &songPath)
{
    process.start(QStringLiteral("/usr/bin/osascript"), {converterPath, songPath});
}

#else

QString defaultConverterPath() { return resourcePath("pcmdump"); }

void startConverter(QProcess &process, const QString &converterPath, const QString &songPath)
{
    process.start(converterPath, {songPath});
}

#endif

QString defaultAnalyserPath() { return resourcePath("beatfind"); }
