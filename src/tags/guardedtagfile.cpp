#include "tags/guardedtagfile.h"
#include "tags/mp4atoms.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

using namespace TagLib;

namespace {

std::unique_ptr<File> audioOrNothing(std::unique_ptr<File> file)
{
    return file && isAudio(*file) ? std::move(file) : nullptr;
}

std::unique_ptr<File> openFile(IOStream *stream, AudioTagFormat format, ID3v2::FrameFactory *frames,
                               AudioProperties::ReadStyle style)
{
    switch (format) {
    case AudioTagFormat::Mpeg:
        return audioOrNothing(std::make_unique<MPEG::File>(stream, frames, true, style));
    case AudioTagFormat::Mp4:
        if (!mp4AtomsNestWithinLimit(*stream))
            return nullptr;
        return audioOrNothing(std::make_unique<MP4::File>(stream, true, style));
    case AudioTagFormat::Flac:
        return audioOrNothing(std::make_unique<FLAC::File>(stream, frames, true, style));
    case AudioTagFormat::Ogg: {
        // An .ogg file may hold Vorbis, Opus or FLAC; each is tried in turn.
        if (auto vorbis = audioOrNothing(std::make_unique<Ogg::Vorbis::File>(stream, true, style)))
            return vorbis;
        if (auto opus = audioOrNothing(std::make_unique<Ogg::Opus::File>(stream, true, style)))
            return opus;
        return audioOrNothing(std::make_unique<Ogg::FLAC::File>(stream, true, style));
    }
    case AudioTagFormat::Opus:
        return audioOrNothing(std::make_unique<Ogg::Opus::File>(stream, true, style));
    case AudioTagFormat::Wav:
        return audioOrNothing(std::make_unique<RIFF::WAV::File>(stream, true, style));
    case AudioTagFormat::Aiff:
        return audioOrNothing(std::make_unique<RIFF::AIFF::File>(stream, true, style));
    case AudioTagFormat::Unknown:
        break;
    }
    return nullptr;
}

} // namespace

bool isAudio(const File &file)
{
    return file.isValid() && file.audioProperties() && file.audioProperties()->sampleRate() > 0;
}

GuardedTagFile::GuardedTagFile(IOStream &inner, AudioTagFormat format, AudioProperties::ReadStyle style)
    : guard(guardId3Frames(inner)),
      stream(inner, guard.patches),
      factory(guard),
      file(openFile(&stream, format, &factory, style))
{}

GuardedTagFile::~GuardedTagFile() = default;
