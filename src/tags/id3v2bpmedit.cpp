#include "tags/id3v2bpmedit.h"
#include "tags/id3v2layout.h"

namespace {

// Room left after the frames when a tag is made or grown, so that the next
// edit fits without moving the audio.
constexpr int grownPadding = 1024;
// Sizes in the tag header are 28 bits.
constexpr qint64 largestBody = (qint64(1) << 28) - 1;

QByteArray bigEndian(quint32 value, int count)
{
    QByteArray bytes(count, '\0');
    for (int i = count - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xff);
    return bytes;
}

QByteArray syncsafe(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 7)
        bytes[i] = char(value & 0x7f);
    return bytes;
}

QByteArray bpmFrameId(int version) { return version == 2 ? QByteArray("TBP") : QByteArray("TBPM"); }

// A text frame in Latin-1 holding the BPM's digits.
QByteArray bpmFrame(int version, int bpm)
{
    const QByteArray body = '\0' + QByteArray::number(bpm);
    if (version == 2)
        return bpmFrameId(version) + bigEndian(quint32(body.size()), 3) + body;
    const QByteArray size = version == 3 ? bigEndian(quint32(body.size()), 4) : syncsafe(quint32(body.size()));
    return bpmFrameId(version) + size + QByteArray(2, '\0') + body;
}

QByteArray newTag(int bpm)
{
    const QByteArray body = bpmFrame(3, bpm) + QByteArray(grownPadding, '\0');
    return QByteArray("ID3\x03\0\0", 6) + syncsafe(quint32(body.size())) + body;
}

} // namespace

std::optional<QByteArray> id3v2TagWithBpm(const QByteArray &tag, int bpm)
{
    if (tag.isEmpty())
        return newTag(bpm);
    const std::optional<Id3v2Layout> layout = id3v2Layout(tag);
    if (!layout)
        return std::nullopt;
    const int version = layout->majorVersion;

    QByteArray body = tag.mid(id3v2HeaderSize, layout->framesStart - id3v2HeaderSize);
    bool placed = false;
    for (const Id3v2Frame &frame : layout->frames) {
        if (frame.id != bpmFrameId(version)) {
            body += tag.mid(frame.offset, frame.size);
        } else if (!placed) {
            body += bpmFrame(version, bpm);
            placed = true;
        }
    }
    if (!placed)
        body += bpmFrame(version, bpm);

    const int oldBodySize = layout->bodyEnd - id3v2HeaderSize;
    const qint64 bodySize = body.size() <= oldBodySize ? oldBodySize : qint64(body.size()) + grownPadding;
    if (bodySize > largestBody)
        return std::nullopt;
    const int padding = int(bodySize) - body.size();
    body += QByteArray(padding, '\0');
    if (layout->paddingSizeField >= 0)
        body.replace(layout->paddingSizeField - id3v2HeaderSize, 4, bigEndian(quint32(padding), 4));

    const QByteArray header = tag.left(6) + syncsafe(quint32(bodySize));
    QByteArray edited = header + body;
    if (layout->hasFooter)
        edited += "3DI" + header.mid(3);
    return edited;
}
