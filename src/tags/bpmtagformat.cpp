#include "tags/bpmtagformat.h"
#include "tags/guardedtagfile.h"
#include "tags/id3v2bpmedit.h"
#include "tags/mp4atoms.h"
#include "tags/riffchunks.h"
#include "tags/streambytes.h"
#include "tags/xiphcomments.h"

#include <QFileInfo>

#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

using namespace TagLib;

namespace {

// TagLib re-renders every ID3v2 frame it saves, uncompressed and without
// flags, and saves only the frames it could parse; so ID3v2 tags are edited
// as stored (see id3v2TagWithBpm) and TagLib only reads the file, through the
// guard, to tell that it is audio.
bool isGuardedAudio(IOStream &stream, AudioTagFormat format)
{
    const GuardedTagFile file(stream, format, AudioProperties::Average);
    return file.audio() != nullptr;
}

// Replaces `oldTag` at the start of the stream; the audio moves only when
// the tag has to grow.
void replaceLeadingTag(IOStream &stream, const QByteArray &oldTag, const QByteArray &newTag)
{
    if (newTag.size() == oldTag.size())
        writeBytesAt(stream, 0, newTag);
    else
        stream.insert(ByteVector(newTag.constData(), unsigned(newTag.size())), 0, unsigned(oldTag.size()));
}

TagEditOutcome editMpeg(IOStream &stream, int bpm)
{
    const bool tagAtStart = readBytesAt(stream, 0, 3) == "ID3";
    {
        const GuardedTagFile file(stream, AudioTagFormat::Mpeg, AudioProperties::Average);
        if (!file.audio())
            return TagEditOutcome::NotReadable;
        // TagLib also finds a tag after junk at the start; a second tag
        // before it would leave players to choose.
        if (!tagAtStart && static_cast<MPEG::File *>(file.audio())->hasID3v2Tag())
            return TagEditOutcome::NotKept;
    }
    QByteArray oldTag;
    if (tagAtStart) {
        const std::optional<QByteArray> tag = readId3v2TagAt(stream, 0, stream.length());
        if (!tag)
            return TagEditOutcome::NotKept;
        oldTag = *tag;
    }
    // Only the ID3v2 tag is written: an ID3v1 or APE tag stays as it is, and
    // no values are copied between them.
    const std::optional<QByteArray> newTag = id3v2TagWithBpm(oldTag, bpm);
    if (!newTag)
        return TagEditOutcome::NotKept;
    replaceLeadingTag(stream, oldTag, *newTag);
    return TagEditOutcome::Saved;
}

// The ID3 chunk of a WAV or AIFF file; its other chunks (a WAV file's INFO
// among them) stay as they are. A new chunk goes after the last.
TagEditOutcome editRiff(IOStream &stream, AudioTagFormat format, int bpm)
{
    if (!isGuardedAudio(stream, format))
        return TagEditOutcome::NotReadable;
    const std::optional<RiffLayout> layout = riffLayout(stream);
    if (!layout)
        return TagEditOutcome::NotKept;
    int index = -1;
    for (size_t i = 0; i < layout->chunks.size() && index < 0; ++i)
        if (isId3Chunk(layout->chunks[i].id))
            index = int(i);
    QByteArray oldTag;
    QByteArray after; // chunk bytes after the tag, kept
    if (index >= 0) {
        const RiffChunk &chunk = layout->chunks[size_t(index)];
        const std::optional<QByteArray> data = riffChunkData(stream, chunk);
        const std::optional<QByteArray> tag = readId3v2TagAt(stream, chunk.offset + 8, long(chunk.dataSize));
        if (!data || !tag)
            return TagEditOutcome::NotKept;
        oldTag = *tag;
        after = data->mid(oldTag.size());
    }
    const std::optional<QByteArray> newTag = id3v2TagWithBpm(oldTag, bpm);
    if (!newTag)
        return TagEditOutcome::NotKept;
    setRiffChunkData(stream, *layout, index, *newTag + after);
    return TagEditOutcome::Saved;
}

void setXiphBpm(Ogg::XiphComment *comment, int bpm) { comment->addField("BPM", String::number(bpm), true); }

TagEditOutcome saved(bool ok) { return ok ? TagEditOutcome::Saved : TagEditOutcome::NotSaved; }

TagEditOutcome editMp4(IOStream &stream, int bpm)
{
    if (!mp4AtomsNestWithinLimit(stream))
        return TagEditOutcome::NotReadable;
    MP4::File file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    file.tag()->setItem("tmpo", MP4::Item(bpm));
    return saved(file.save());
}

TagEditOutcome editFlac(IOStream &stream, int bpm)
{
    // A FLAC file may start with an ID3v2 tag, which TagLib reads too; the
    // file is then refused, but the reading is bounded all the same.
    const Id3FrameGuard guard = guardId3Frames(stream);
    BoundedFrameFactory factory(guard);
    FLAC::File file(&stream, &factory);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    if (!flacCommentsSurvive(stream))
        return TagEditOutcome::NotKept;
    setXiphBpm(file.xiphComment(true), bpm);
    return saved(file.save());
}

template <typename OggFile>
TagEditOutcome editXiph(IOStream &stream, int bpm)
{
    OggFile file(&stream);
    if (!isAudio(file))
        return TagEditOutcome::NotReadable;
    if (!oggCommentsSurvive(file))
        return TagEditOutcome::NotKept;
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
    case AudioTagFormat::Aiff:
        return editRiff(stream, format, bpm);
    case AudioTagFormat::Unknown:
        break;
    }
    return TagEditOutcome::NotReadable;
}
