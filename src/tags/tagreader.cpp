#include "tags/tagreader.h"
#include "tags/readonlytagfile.h"

#include <taglib/tpropertymap.h>

namespace {

// No value a song record shows needs more; a tag may hold megabytes.
constexpr int longestValue = 64 * 1024;
const QChar cutMark(0x2026); // "…"

QString qstring(const TagLib::String &text) { return boundedTagValue(QString::fromStdString(text.to8Bit(true))); }

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

QString boundedTagValue(const QString &value)
{
    if (value.size() <= longestValue)
        return value;
    int kept = longestValue - 1;
    if (value.at(kept - 1).isHighSurrogate())
        --kept;
    return value.left(kept) + cutMark;
}

std::optional<SongTags> readSongTags(const QByteArray &nativePath)
{
    // TagLib opens an MP3 or WAV file of any bytes, even none; only a stream
    // whose header gives a sample rate is audio. The fast reading takes the
    // header alone, not a pass over the stream.
    const ReadOnlyTagFile file(nativePath, TagLib::AudioProperties::Fast);
    if (!file.audio())
        return std::nullopt;
    SongTags tags;
    if (const TagLib::Tag *tag = file.audio()->tag()) {
        tags.title = qstring(tag->title());
        tags.artist = qstring(tag->artist());
        tags.albumTitle = qstring(tag->album());
        tags.genre = qstring(tag->genre());
    }
    const TagLib::PropertyMap properties = file.audio()->properties();
    tags.albumArtist = firstValue(properties, "ALBUMARTIST");
    tags.composer = firstValue(properties, "COMPOSER");
    tags.bpm = firstValue(properties, "BPM");
    return tags;
}
