#pragma once

#include <QByteArray>
#include <QString>

// What a test needs to know about a WAV file, read chunk by chunk.
struct WavFileInfo
{
    QString problem; // empty when the file is a well-formed RIFF/WAVE file
    int formatTag = 0;
    int channels = 0;
    int sampleRate = 0;
    int byteRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    QByteArray data;

    static WavFileInfo read(const QString &path);

    double seconds() const;
    // Cycles per second of the tone in one channel of 16-bit interleaved data.
    double toneFrequency(int channel) const;
    int peak(int channel) const;
};
