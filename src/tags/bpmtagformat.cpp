#include "tags/bpmtagformat.h"

#include <QFileInfo>

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

using namespace TagLib;

namespace {

// A file whose audio cannot be made out is not one to put a tag into: a
// zero-byte or damaged file would become a tag with nothing behind it.
bool isAudio(const File &file)
{
    return file.isValid() && file.audioProperties() && file.audioProperties()->sampleRate() > 0;
}

// Players read an ID3v2.3 tag everywhere; a 2.4 tag stays 2.4, and a 2.2 tag,
// which cannot be written back as such, becomes 2.3.
ID3v2::Version keptVersion(bool hadTag, const ID3v2::Tag *tag)
{
    return hadTag && tag->header()->majorVersion() == 4 ? ID3v2::v4 : ID3v2::v3;
}

void setTbpm(ID3v2::Tag *tag, int bpm)
{
    tag->removeFrames("TBPM");
    auto *frame = new ID3v2::TextIdentificationFrame("TBPM", String::Latin1);
    frame->setText(String::number(bpm));
    tag->addFrame(frame);
}

void setXiphBpm(Ogg::XiphComment *comment, int bpm) { comment->addField("BPM", String::number(bpm), true); }

TagEditOutcome saved(bool ok) { return ok ? TagEditOutcome::Saved : TagEditOutcome::NotSaved; }

TagEditOutcome editMpeg(IOStream &stream, int bpm)
{
    MPEG::File file(&stream, ID3v2::FrameFactory::instance());
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    const bool hadTag = file.hasID3v2Tag();
    ID3v2::Tag *tag = file.ID3v2Tag(true);
    const ID3v2::Version version = keptVersion(hadTag, tag);
    setTbpm(tag, bpm);
    // Only the ID3v2 tag is saved: an ID3v1 or APE tag stays as it is, and
    // no values are copied between them.
    return saved(file.save(MPEG::File::ID3v2, File::StripNone, version, File::DoNotDuplicate));
}

TagEditOutcome editWav(IOStream &stream, int bpm)
{
    RIFF::WAV::File file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    const bool hadTag = file.hasID3v2Tag();
    ID3v2::Tag *tag = file.ID3v2Tag();
    const ID3v2::Version version = keptVersion(hadTag, tag);
    setTbpm(tag, bpm);
    // The INFO chunk stays as it is.
    return saved(file.save(RIFF::WAV::File::ID3v2, File::StripNone, version));
}

TagEditOutcome editAiff(IOStream &stream, int bpm)
{
    RIFF::AIFF::File file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    const bool hadTag = file.hasID3v2Tag();
    ID3v2::Tag *tag = file.tag();
    const ID3v2::Version version = keptVersion(hadTag, tag);
    setTbpm(tag, bpm);
    return saved(file.save(version));
}

TagEditOutcome editMp4(IOStream &stream, int bpm)
{
    MP4::File file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    file.tag()->setItem("tmpo", MP4::Item(bpm));
    return saved(file.save());
}

TagEditOutcome editFlac(IOStream &stream, int bpm)
{
    FLAC::File file(&stream, ID3v2::FrameFactory::instance());
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    setXiphBpm(file.xiphComment(true), bpm);
    return saved(file.save());
}

template <typename OggFile>
TagEditOutcome editXiph(IOStream &stream, int bpm)
{
    OggFile file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    setXiphBpm(file.tag(), bpm);
    return saved(file.save());
}

} // namespace

AudioTagFormat audioTagFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mp3"))
        return AudioTagFormat::Mpeg;
    if (suffix == QLatin1String("m4a") || suffix == QLatin1String("m4b") || suffix == QLatin1String("mp4"))
        return AudioTagFormat::Mp4;
    if (suffix == QLatin1String("flac"))
        return AudioTagFormat::Flac;
    if (suffix == QLatin1String("ogg") || suffix == QLatin1String("oga"))
        return AudioTagFormat::Ogg;
    if (suffix == QLatin1String("opus"))
        return AudioTagFormat::Opus;
    if (suffix == QLatin1String("wav"))
        return AudioTagFormat::Wav;
    if (suffix == QLatin1String("aif") || suffix == QLatin1String("aiff") || suffix == QLatin1String("aifc"))
        return AudioTagFormat::Aiff;
    return AudioTagFormat::Unknown;
}

TagEditOutcome setBpmInTag(IOStream &stream, AudioTagFormat format, int bpm)
{
    switch (format) {
    case AudioTagFormat::Mpeg:
        return editMpeg(stream, bpm);
    case AudioTagFormat::Mp4:
        return editMp4(stream, bpm);
    case AudioTagFormat::Flac:
        return editFlac(stream, bpm);
    case AudioTagFormat::Ogg: {
        // An .ogg file may hold Vorbis, Opus or FLAC; each is tried in turn.
        TagEditOutcome outcome = editXiph<Ogg::Vorbis::File>(stream, bpm);
        if (outcome == TagEditOutcome::NotReadable)
            outcome = editXiph<Ogg::Opus::File>(stream, bpm);
        if (outcome == TagEditOutcome::NotReadable)
            outcome = editXiph<Ogg::FLAC::File>(stream, bpm);
        return outcome;
    }
    case AudioTagFormat::Opus:
        return editXiph<Ogg::Opus::File>(stream, bpm);
    case AudioTagFormat::Wav:
        return editWav(stream, bpm);
    case AudioTagFormat::Aiff:
        return editAiff(stream, bpm);
    case AudioTagFormat::Unknown:
        break;
    }
    return TagEditOutcome::NotReadable;
}
