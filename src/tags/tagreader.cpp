#include "tags/tagreader.h"

#include <taglib/fileref.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

namespace {

QString qstring(const TagLib::String &text) { return QString::fromStdString(text.to8Bit(true)); }

// TagLib's property map gives one name to each format's own field: ID3v2
// TBPM and TPE2, the MP4 "tmpo" and "aART" atoms, the Xiph comments and the
// ID3 chunk of WAV and AIFF files all read as "BPM" and "ALBUMARTIST".
QString firstValue(const TagLib::PropertyMap &properties, const char *name)
{
    const auto found = properties.find(name);
    if (found == properties.end() || found->second.isEmpty())
        return QString();
    return qstring(found->second.front());
}

} // namespace

std::optional<SongTags> readSongTags(const QByteArray &nativePath)
{
    // TagLib opens an MP3 or WAV file of any bytes, even none; only a stream
    // whose header gives a sample rate is audio. The fast reading takes the
    // header alone, not a pass over the stream.
    const TagLib::FileRef file(nativePath.constData(), true, TagLib::AudioProperties::Fast);
    if (file.isNull() || !file.file()->isValid() || !file.audioProperties()
        || file.audioProperties()->sampleRate() <= 0)
        return std::nullopt;
    SongTags tags;
    if (const TagLib::Tag *tag = file.tag()) {
        tags.title = qstring(tag->title());
        tags.artist = qstring(tag->artist());
        tags.albumTitle = qstring(tag->album());
        tags.genre = qstring(tag->genre());
    }
    const TagLib::PropertyMap properties = file.file()->properties();
    tags.albumArtist = firstValue(properties, "ALBUMARTIST");
    tags.composer = firstValue(properties, "COMPOSER");
    tags.bpm = firstValue(properties, "BPM");
    return tags;
}
