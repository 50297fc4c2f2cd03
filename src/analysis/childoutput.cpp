#include "analysis/childoutput.h"

#include <QFile>
#include <QIODevice>
#include <cmath>

namespace {

constexpr qint64 lineBufferSize = 1024;

// A label matches the start of a line; its value starts at a fixed position,
// just past the blank that follows the label, whatever character sits there.
bool labelValue(const QByteArray &line, const char *label, int valueStart, QByteArray *value)
{
    if (!line.startsWith(label))
        return false;
    *value = line.mid(valueStart);
    return true;
}

// The value of the last line with this label; empty when there is none.
QString lastLabelValue(const QList<QByteArray> &pieces, const char *label, int valueStart)
{
    QString result;
    for (const QByteArray &piece : pieces) {
        QByteArray value;
        if (labelValue(withoutLineEnd(piece), label, valueStart, &value))
            result = QString::fromLatin1(value);
    }
    return result;
}

} // namespace

OutputPieces readOutputPieces(QIODevice &device)
{
    OutputPieces output;
    char lineBuffer[lineBufferSize];
    for (;;) {
        const qint64 length = device.readLine(lineBuffer, lineBufferSize);
        if (length < 0)
            break;
        if (length == 0) {
            output.emptyRead = true;
            break;
        }
        output.pieces.append(QByteArray(lineBuffer, length));
    }
    return output;
}

QByteArray withoutLineEnd(QByteArray piece)
{
    while (piece.endsWith('\n') || piece.endsWith('\r'))
        piece.chop(1);
    return piece;
}

ConversionReport conversionReport(const QList<QByteArray> &pieces)
{
    ConversionReport report;
    for (const QByteArray &piece : pieces) {
        const QByteArray line = withoutLineEnd(piece);
        QByteArray value;
        // The path is a file name in the system's encoding, so a WAV file in
        // a folder with non-ASCII characters is still found (and deleted).
        if (labelValue(line, "Location:", 10, &value))
            report.wavPath = QFile::decodeName(value);
        else if (labelValue(line, "BitRate", 9, &value))
            report.bitRate = QString::fromLatin1(value);
        else if (labelValue(line, "SampleRate:", 12, &value))
            report.sampleRate = QString::fromLatin1(value);
    }
    return report;
}

bool isAcceptedFormat(const ConversionReport &report)
{
    return !report.wavPath.isEmpty() && report.bitRate == QLatin1String("1411")
        && report.sampleRate == QLatin1String("44100");
}

QString reportedBpm(const QList<QByteArray> &pieces) { return lastLabelValue(pieces, "BPM:", 5); }

QString reportedAlternative(const QList<QByteArray> &pieces) { return lastLabelValue(pieces, "Alternative:", 13); }

int acceptedBpm(const QString &bpmText)
{
    const float tempo = bpmText.toFloat();
    // Compared before truncation, so no value (NaN, huge) is ever converted
    // out of the int range; 50 <= tempo < 201 is exactly a whole 50 to 200.
    if (!(tempo >= 50.0f && tempo < 201.0f))
        return 0;
    return static_cast<int>(tempo);
}
