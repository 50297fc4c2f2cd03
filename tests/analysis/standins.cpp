#include "standins.h"

#include <QDir>
#include <QFile>
#include <QTest>

const QString StandIns::copyingConverter = QStringLiteral("wav=$(wav_for \"$1\")\n"
                                                          "cp \"$1\" \"$wav\"\n"
                                                          "report \"$wav\" 1411 44100\n");

const QString StandIns::printingAnalyser = QStringLiteral("cat \"$1\"\n");

StandIns::StandIns()
{
    QDir(dir.path()).mkpath(QStringLiteral("wav"));
    QDir(dir.path()).mkpath(QStringLiteral("songs"));
    setConverter(copyingConverter);
    setAnalyser(printingAnalyser);
}

void StandIns::setConverter(const QString &body) { writeScript(converterPath(), QStringLiteral("convert"), body); }

void StandIns::setAnalyser(const QString &body) { writeScript(analyserPath(), QStringLiteral("analyse"), body); }

void StandIns::writeScript(const QString &path, const QString &logWord, const QString &body)
{
    const QString script =
        QStringLiteral("#!/bin/sh\n"
                       "DIR='%1'\n"
                       "WAVDIR=\"$DIR/wav\"\n"
                       "printf '%2 %s\\n' \"$1\" >> \"$DIR/calls\"\n"
                       "wav_for() { printf '%s/%s.wav' \"$WAVDIR\" \"$(basename \"$1\")\"; }\n"
                       "report() { printf 'Location: %s\\nBitRate: %s\\nSampleRate: %s\\n' \"$1\" \"$2\" \"$3\"; }\n"
                       "reach() { : > \"$DIR/reached-$1\"; }\n"
                       "wait_for() {\n"
                       "  i=0\n"
                       "  while [ ! -e \"$DIR/$1\" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
                       "}\n")
            .arg(dir.path(), logWord)
        + body;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(script.toLocal8Bit());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString StandIns::addSong(const QString &name, const QByteArray &contents)
{
    const QString path = dir.filePath(QStringLiteral("songs/") + name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return path;
}

QStringList StandIns::wavFiles() const { return QDir(wavDir()).entryList(QDir::Files); }

QStringList StandIns::calls() const
{
    QFile file(dir.filePath(QStringLiteral("calls")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void StandIns::release(const QString &name)
{
    QFile go(dir.filePath(name));
    go.open(QIODevice::WriteOnly);
}

bool StandIns::reached(const QString &name) const
{
    return QFile::exists(dir.filePath(QStringLiteral("reached-") + name));
}
