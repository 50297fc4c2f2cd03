#include "analysis/tempspace.h"
#include "tags/readonlytagfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <taglib/audioproperties.h>

namespace {

constexpr qint64 wavBytesPerSecond = 44100 * 2 * 2;
// A WAV header, and room for a length that is read a little short.
constexpr qint64 headerBytes = 4096;
constexpr double lengthMargin = 1.05;
// 64 kbit/s is 8,000 bytes a second.
constexpr qint64 lowCodedBytesPerSecond = 8000;

} // namespace

qint64 wavBytesForLength(qint64 milliseconds)
{
    return qint64(double(milliseconds) * wavBytesPerSecond / 1000.0 * lengthMargin) + headerBytes;
}

qint64 wavBytesForSize(qint64 fileBytes)
{
    return fileBytes / lowCodedBytesPerSecond * wavBytesPerSecond + wavBytesPerSecond + headerBytes;
}

qint64 wavBytesNeeded(const QString &songPath)
{
    // Only the headers are read; a file TagLib does not know gives no length.
    const ReadOnlyTagFile file(QFile::encodeName(songPath), TagLib::AudioProperties::Fast);
    if (file.audio() && file.audio()->audioProperties()->lengthInMilliseconds() > 0)
        return wavBytesForLength(file.audio()->audioProperties()->lengthInMilliseconds());
    return wavBytesForSize(QFileInfo(songPath).size());
}

qint64 tempBytesAvailable()
{
    const QStorageInfo storage(QDir::tempPath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

bool hasRoomForWav(qint64 available, qint64 reserved, qint64 needed)
{
    // A folder whose space cannot be read is left to the converter, which
    // removes its own file when the disk fills.
    if (available < 0)
        return true;
    return available - reserved >= needed;
}
