#pragma once

#include <QString>

namespace TagLib {
class IOStream;
}

// The kinds of audio file whose BPM tag can be written, told by file name.
enum class AudioTagFormat { Unknown, Mpeg, Mp4, Flac, Ogg, Opus, Wav, Aiff };

AudioTagFormat audioTagFormatOf(const QString &path);

// NotKept: the tag holds something a save would lose, and nothing was written.
enum class TagEditOutcome { Saved, NotReadable, NotKept, NotSaved };

// Sets the BPM in the file's own tag and saves it, changing nothing else:
// ID3v2 TBPM for MP3 (the tag's own version is kept, a new tag is 2.3), MP4
// "tmpo", the Xiph "BPM" comment for FLAC, Vorbis and Opus, and the ID3
// chunk of WAV and AIFF. Works on whatever stream it is given; writes
// nothing unless everything else in the tag is kept.
TagEditOutcome setBpmInTag(TagLib::IOStream &stream, AudioTagFormat format, int bpm);
