#pragma once

#include <QByteArray>

namespace TagLib {
class IOStream;
namespace Ogg {
class File;
}
} // namespace TagLib

// TagLib drops Vorbis comments it cannot parse (no '=', a key of other
// characters, an empty value, a picture it cannot decode), rewrites invalid
// UTF-8 and stops at a length that runs past the block, and saves only what
// it kept. These tell beforehand whether a file's comments would all survive
// a save. Upper-casing of keys, which are case-insensitive, is no loss.

// A raw comment block (vendor string, count, fields) as stored. `framed`:
// a Vorbis stream's framing byte follows the fields. Zero bytes may pad it.
bool xiphCommentsSurvive(const QByteArray &block, bool framed);

// A FLAC file's one comment block, when it has one: false when the file does
// not start with its "fLaC" mark (an ID3v2 tag before it, which TagLib would
// rewrite), has more than one comment block, or one that would not survive.
bool flacCommentsSurvive(TagLib::IOStream &stream);

// The comment packet of an Ogg Vorbis, Opus or FLAC stream.
bool oggCommentsSurvive(TagLib::Ogg::File &file);
