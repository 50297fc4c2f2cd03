#include "analysis/analysisprograms.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

QString analysisProgramPath(const QString &name, const QString &programDir)
{
    const QString installed = programDir + QStringLiteral("/../libexec/velmorasync/") + name;
    const QString beside = programDir + QStringLiteral("/../Resources/") + name;
    const QFileInfo installedInfo(installed);
    return installedInfo.isFile() && installedInfo.isExecutable() ? installed : beside;
}

QString analysisProgramPath(const QString &name)
{
    return analysisProgramPath(name, QCoreApplication::applicationDirPath());
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
