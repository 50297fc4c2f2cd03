#pragma once

#include "tags/fdstream.h"
#include "tags/guardedtagfile.h"

#include <QByteArray>

#include <memory>

// An audio file opened to read its tags and properties: only a regular file
// (links followed), opened without blocking on a FIFO and read-only, so that
// nothing watching the file sees it change; then read through the guard
// against compressed-frame bombs. Its kind is told by its name.
class ReadOnlyTagFile
{
public:
    ReadOnlyTagFile(const QByteArray &nativePath, TagLib::AudioProperties::ReadStyle style);
    ~ReadOnlyTagFile();
    ReadOnlyTagFile(const ReadOnlyTagFile &) = delete;
    ReadOnlyTagFile &operator=(const ReadOnlyTagFile &) = delete;

    // The file when it is a regular file holding audio of its kind, else null.
    TagLib::File *audio() const { return opened ? opened->audio() : nullptr; }

private:
    int fd = -1;
    std::unique_ptr<FdStream> stream;
    std::unique_ptr<GuardedTagFile> opened;
};
