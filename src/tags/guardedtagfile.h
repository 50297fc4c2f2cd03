#pragma once

#include "tags/bpmtagformat.h"
#include "tags/boundedframefactory.h"
#include "tags/guardedstream.h"

#include <taglib/audioproperties.h>
#include <taglib/tfile.h>

#include <memory>

// A file whose audio cannot be made out is no song and not one to put a tag
// into: a zero-byte or damaged file would become a tag with nothing behind it.
bool isAudio(const TagLib::File &file);

// TagLib's reading of an audio file of the given kind, through a guard that
// never lets it inflate a compressed ID3v2 frame past a bound nor recurse
// into chapter frames or MP4 atoms past one (id3frameguard.h, mp4atoms.h).
// Read only: nothing is ever saved through it.
class GuardedTagFile
{
public:
    GuardedTagFile(TagLib::IOStream &stream, AudioTagFormat format, TagLib::AudioProperties::ReadStyle style);
    ~GuardedTagFile();
    GuardedTagFile(const GuardedTagFile &) = delete;
    GuardedTagFile &operator=(const GuardedTagFile &) = delete;

    // The file when it holds audio of its kind, else null.
    TagLib::File *audio() const { return file.get(); }

private:
    const Id3FrameGuard guard;
    GuardedStream stream;
    BoundedFrameFactory factory;
    std::unique_ptr<TagLib::File> file;
};
