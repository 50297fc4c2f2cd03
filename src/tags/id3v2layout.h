#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <vector>

// Where the frames of an ID3v2 tag lie, as stored, without decoding any of
// them. Versions 2.2, 2.3 and 2.4 are known.

constexpr int id3v2HeaderSize = 10;

struct Id3v2Frame
{
    int offset = 0; // of the frame header, from the tag's first byte
    int size = 0; // header and body
    QByteArray id;
    // Compressed and not encrypted: a reader inflates it.
    bool compressed = false;
    // Its body is unsynchronised and must be decoded before it is inflated.
    bool unsynchronised = false;
};

struct Id3v2Layout
{
    int majorVersion = 0;
    int framesStart = 0; // after the header and any extended header
    int bodyEnd = 0; // the end of the frames and padding
    bool hasFooter = false;
    // A version 2.3 extended header's "size of padding" field, -1 when there is none.
    int paddingSizeField = -1;
    std::vector<Id3v2Frame> frames;
};

// The whole length of the ID3v2 tag whose header starts `header` (at least
// its first 10 bytes): header, frames, padding and footer. 0 when the bytes
// are no ID3v2 header.
qint64 id3v2TagLength(const QByteArray &header);

// The frames of a whole tag (id3v2TagLength bytes). Nothing when they and the
// zero padding after them do not account for every byte of the tag: a frame
// running past the tag's end, other bytes where padding should be, an
// extended header with a checksum, compression or unsynchronisation of the
// whole tag (a 2.2 or 2.3 tag), flags or versions of no known meaning. The
// frame sizes of a 2.4 tag are taken as plain numbers when they do not
// account for it as syncsafe ones, as some programs wrote them.
std::optional<Id3v2Layout> id3v2Layout(const QByteArray &tag);
