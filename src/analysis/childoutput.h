#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// What the conversion step and the analyser print, read after they have ended.

// A child's standard output as QIODevice::readLine with a 1024-byte buffer
// delivers it: each piece is a whole line or, of a longer line, up to 1023
// bytes of it, line ends kept as read.
struct OutputPieces
{
    QList<QByteArray> pieces;
    // A read gave no bytes at all: the pieces before it are all there is.
    bool emptyRead = false;
};
OutputPieces readOutputPieces(QIODevice &device);

// The piece without its trailing line feeds and carriage returns.
QByteArray withoutLineEnd(QByteArray piece);

// What the conversion step reported; a later line of a kind replaces an
// earlier one, and a field stays empty when no line reported it.
struct ConversionReport
{
    QString wavPath;
    QString bitRate;
    QString sampleRate;
};
ConversionReport conversionReport(const QList<QByteArray> &pieces);

// Only 16-bit stereo PCM at 44.1 kHz in a file that was named is analysed.
bool isAcceptedFormat(const ConversionReport &report);

// The value of the analyser's last "BPM:" line; empty when it printed none.
QString reportedBpm(const QList<QByteArray> &pieces);
// The value of the analyser's last "Alternative:" line, the runner-up tempo
// it names when unsure of the level; empty when it printed none.
QString reportedAlternative(const QList<QByteArray> &pieces);

// Whether a reported tempo is one, as the whole part of the text read as a
// float: that whole part when it lies within 50 to 200, 0 otherwise. The song
// itself shows an accepted tempo rounded (wholeBpm).
int acceptedBpm(const QString &bpmText);
