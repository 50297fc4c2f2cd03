#include "analysis/analysisprograms.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

QString analysisProgramPath(const QString &name)
{
    const QString base = QCoreApplication::applicationDirPath();
    const QString resources = base + QStringLiteral("/../Resources/") + name;
    const QString libexec = base + QStringLiteral("/../libexec/velmorasync/") + name;
    if (!QFileInfo::exists(resources) && QFileInfo::exists(libexec))
        return libexec;
    return resources;
}

#ifdef Q_OS_MACOS

QString defaultConverterPath() { return analysisProgramPath(QStringLiteral("pcmdump.scpt")); }

void startConverter(QProcess &process, const QString &converterPath, const QString &songPath)
{
    process.start(QStringLiteral("/usr/bin/osascript"), {converterPath, songPath});
}

#else

QString defaultConverterPath() { return analysisProgramPath(QStringLiteral("pcmdump")); }

void startConverter(QProcess &process, const QString &converterPath, const QString &songPath)
{
    process.start(converterPath, {songPath});
}

#endif

QString defaultAnalyserPath() { return analysisProgramPath(QStringLiteral("beatfind")); }
