#include "tags/readonlytagfile.h"
#include "library/regularfile.h"

#include <QFile>

#include <unistd.h>

ReadOnlyTagFile::ReadOnlyTagFile(const QByteArray &nativePath, TagLib::AudioProperties::ReadStyle style)
{
    const AudioTagFormat format = audioTagFormatOf(QFile::decodeName(nativePath));
    if (format == AudioTagFormat::Unknown)
        return;
    fd = openRegularFileDescriptor(nativePath).fd;
    if (fd < 0)
        return;
    stream = std::make_unique<FdStream>(fd, nativePath.toStdString(), FdStream::Access::ReadOnly);
    opened = std::make_unique<GuardedTagFile>(*stream, format, style);
}

ReadOnlyTagFile::~ReadOnlyTagFile()
{
    opened.reset();
    stream.reset();
    if (fd >= 0)
        ::close(fd);
}
