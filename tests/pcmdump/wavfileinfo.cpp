#include "wavfileinfo.h"

#include <QFile>
#include <QtEndian>

#include <cstdlib>

namespace {

quint32 u32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

quint16 u16At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

qint16 sampleAt(const QByteArray &data, qsizetype frame, int channel, int channels)
{
    return qFromLittleEndian<qint16>(data.constData() + (frame * channels + channel) * 2);
}

} // namespace

WavFileInfo WavFileInfo::read(const QString &path)
{
    WavFileInfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        info.problem = "cannot open " + path;
        return info;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        info.problem = "not a RIFF/WAVE file";
        return info;
    }
    if (u32At(bytes, 4) != quint32(bytes.size() - 8)) {
        info.problem = QString("RIFF size %1 for a file of %2 bytes").arg(u32At(bytes, 4)).arg(bytes.size());
        return info;
    }
    bool haveFormat = false;
    bool haveData = false;
    qsizetype offset = 12;
    while (offset + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(offset, 4);
        const qsizetype size = u32At(bytes, offset + 4);
        const qsizetype body = offset + 8;
        if (body + size > bytes.size()) {
            info.problem = "chunk " + QString(id) + " runs past the end of the file";
            return info;
        }
        if (id == "fmt " && size >= 16) {
            info.formatTag = u16At(bytes, body);
            info.channels = u16At(bytes, body + 2);
            info.sampleRate = int(u32At(bytes, body + 4));
            info.byteRate = int(u32At(bytes, body + 8));
            info.blockAlign = u16At(bytes, body + 12);
            info.bitsPerSample = u16At(bytes, body + 14);
            haveFormat = true;
        } else if (id == "data") {
            info.data = bytes.mid(body, size);
            haveData = true;
        }
        offset = body + size + (size & 1);
    }
    if (offset != bytes.size())
        info.problem = "trailing bytes after the last chunk";
    else if (!haveFormat || !haveData)
        info.problem = "fmt or data chunk missing";
    return info;
}

double WavFileInfo::seconds() const
{
    return blockAlign && sampleRate ? double(data.size()) / blockAlign / sampleRate : 0.0;
}

double WavFileInfo::toneFrequency(int channel) const
{
    // Counts a cycle only when the signal swings well past zero both ways, so
    // the faint noise in encoder padding does not count as tone.
    constexpr int threshold = 512;
    const qsizetype frames = data.size() / (channels * 2);
    int cycles = 0;
    bool wentLow = false;
    for (qsizetype i = 0; i < frames; ++i) {
        const int sample = sampleAt(data, i, channel, channels);
        if (sample < -threshold) {
            wentLow = true;
        } else if (wentLow && sample > threshold) {
            ++cycles;
            wentLow = false;
        }
    }
    return frames ? cycles * double(sampleRate) / frames : 0.0;
}

int WavFileInfo::peak(int channel) const
{
    const qsizetype frames = data.size() / (channels * 2);
    int peak = 0;
    for (qsizetype i = 0; i < frames; ++i)
        peak = qMax(peak, std::abs(int(sampleAt(data, i, channel, channels))));
    return peak;
}
