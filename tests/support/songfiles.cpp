#include "songfiles.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

bool haveFfmpeg() { return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty(); }

bool makeSongFile(const QString &path, const QStringList &metadata, const QStringList &extraArgs)
{
    QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.2"};
    for (const QString &entry : metadata)
        args << "-metadata" << entry;
    args << extraArgs << path;
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(30000)) {
        ffmpeg.kill();
        ffmpeg.waitForFinished(5000);
        return false;
    }
    return ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

namespace {

QByteArray bigEndian32(quint32 value, bool syncsafe)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = char(syncsafe ? value & 0x7f : value & 0xff);
        value >>= syncsafe ? 7 : 8;
    }
    return bytes;
}

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i, value >>= 8)
        bytes[i] = char(value & 0xff);
    return bytes;
}

} // namespace

bool makeSilentWav(const QString &path)
{
    const quint32 rate = 8000, samples = rate / 5, dataBytes = samples * 2;
    QByteArray wav = "RIFF" + littleEndian32(36 + dataBytes) + "WAVE";
    wav += "fmt " + littleEndian32(16);
    wav += QByteArray("\x01\x00\x01\x00", 4) + littleEndian32(rate) + littleEndian32(rate * 2)
        + QByteArray("\x02\x00\x10\x00", 4);
    wav += "data" + littleEndian32(dataBytes) + QByteArray(int(dataBytes), '\0');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

bool addWavId3Chunk(const QString &path, const QList<QPair<QByteArray, QByteArray>> &frames)
{
    QByteArray body;
    for (const auto &frame : frames) {
        const QByteArray text = '\0' + frame.second; // Latin-1
        body += frame.first + bigEndian32(text.size(), false) + QByteArray(2, '\0') + text;
    }
    const QByteArray tag = QByteArray("ID3\x03\x00\x00", 6) + bigEndian32(body.size(), true) + body;
    QByteArray chunk = "id3 " + littleEndian32(tag.size()) + tag;
    if (chunk.size() % 2)
        chunk += '\0';

    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray wav = file.readAll();
    if (wav.size() < 12 || !wav.startsWith("RIFF"))
        return false;
    wav += chunk;
    wav.replace(4, 4, littleEndian32(wav.size() - 8));
    file.seek(0);
    return file.write(wav) == wav.size();
}
