#pragma once

#include <QByteArray>
#include <optional>

// Puts a BPM into an ID3v2 tag as stored, keeping every other frame byte for
// byte (compressed, unknown, empty or oddly named ones alike) and the tag's
// version. The one TBPM frame (TBP in 2.2) takes the place of the first old
// one, or goes after the last frame. The tag keeps its length when its
// padding has room, so the audio after it need not move; otherwise it grows
// with fresh padding.
//
// `tag` is a whole tag (see id3v2TagLength), or empty for a file without one,
// which gets a new 2.3 tag. Nothing when the tag cannot be kept whole (see
// id3v2Layout).
std::optional<QByteArray> id3v2TagWithBpm(const QByteArray &tag, int bpm);
