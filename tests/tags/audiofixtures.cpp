#include "audiofixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace AudioFixtures {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    const QByteArray output = process.readAllStandardOutput();
    return output.isNull() ? QByteArray("") : output;
}

bool make(const QString &path, const QStringList &options, bool withPicture, bool withChapters)
{
    QTemporaryDir scratch;
    QStringList arguments{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=f=440:d=1"};
    QStringList maps{"-map", "0:a"};
    int nextInput = 1;
    if (withPicture) {
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << "color=red:s=16x16:d=1";
        maps << "-map" << QString::number(nextInput++) + ":v"
             << "-frames:v"
             << "1"
             << "-c:v"
             << "png"
             << "-disposition:v"
             << "attached_pic";
    }
    if (withChapters) {
        const QString chapters = scratch.filePath(QStringLiteral("chapters.txt"));
        QFile file(chapters);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(";FFMETADATA1\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=500\ntitle=One\n"
                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=500\nEND=1000\ntitle=Two\n");
        file.close();
        arguments << "-i" << chapters;
        maps << "-map_chapters" << QString::number(nextInput++);
    }
    return !run(QStringLiteral("ffmpeg"), arguments + maps + options + QStringList{path}).isNull();
}

QByteArray decodedMd5(const QString &path)
{
    return run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"}).trimmed();
}

namespace {

void addTags(QMap<QString, QString> &into, const QString &prefix, const QJsonObject &tags, const QStringList &leaveOut)
{
    for (auto tag = tags.begin(); tag != tags.end(); ++tag) {
        const QString key = tag.key().toLower();
        if (!leaveOut.contains(key, Qt::CaseInsensitive))
            into.insert(prefix + key, tag.value().toString());
    }
}

} // namespace

QMap<QString, QString> probe(const QString &path, const QStringList &leaveOut)
{
    const QByteArray json =
        run(QStringLiteral("ffprobe"),
            {"-v", "error", "-of", "json", "-show_format", "-show_streams", "-show_chapters", path});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    QMap<QString, QString> seen;
    addTags(seen, QString(), root.value("format").toObject().value("tags").toObject(), leaveOut);
    const QJsonArray streams = root.value("streams").toArray();
    for (int i = 0; i < streams.size(); ++i) {
        const QJsonObject stream = streams.at(i).toObject();
        const QString prefix = QStringLiteral("stream%1.").arg(i);
        seen.insert(prefix + "codec", stream.value("codec_name").toString());
        seen.insert(prefix + "attached_pic",
                    QString::number(stream.value("disposition").toObject().value("attached_pic").toInt()));
        addTags(seen, prefix, stream.value("tags").toObject(), leaveOut);
    }
    const QJsonArray chapters = root.value("chapters").toArray();
    for (int i = 0; i < chapters.size(); ++i) {
        const QJsonObject chapter = chapters.at(i).toObject();
        seen.insert(QStringLiteral("chapter%1").arg(i),
                    chapter.value("start_time").toString() + ' ' + chapter.value("end_time").toString() + ' '
                        + chapter.value("tags").toObject().value("title").toString());
    }
    return seen;
}

QMap<QString, QString> mutagenTags(const QString &path)
{
    static const char script[] = R"(
import json, sys, mutagen, mutagen.mp4
f = mutagen.File(sys.argv[1])
out = {}
tags = f.tags if f is not None else None
if isinstance(tags, mutagen.mp4.MP4Tags):
    if 'tmpo' in tags:
        out['tmpo'] = ','.join(str(v) for v in tags['tmpo'])
elif tags is not None and hasattr(tags, 'version'):
    out['id3version'] = '%d.%d' % tags.version[:2]
    if 'TBPM' in tags:
        out['TBPM'] = ','.join(tags['TBPM'].text)
print(json.dumps(out))
)";
    const QByteArray json = run(QStringLiteral("/usr/bin/python3"), {"-c", QString::fromLatin1(script), path});
    QMap<QString, QString> tags;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    for (auto value = object.begin(); value != object.end(); ++value)
        tags.insert(value.key(), value.value().toString());
    return tags;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace AudioFixtures
