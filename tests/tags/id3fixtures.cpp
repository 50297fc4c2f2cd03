#include "id3fixtures.h"
#include "audiofixtures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <zlib.h>

namespace Id3Fixtures {

namespace {

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

QByteArray littleEndian32(quint32 value)
{
    return QByteArray(1, char(value)) + char(value >> 8) + char(value >> 16) + char(value >> 24);
}

} // namespace

QByteArray wavWithId3Chunk(const QByteArray &tag)
{
    const QByteArray format =
        littleEndian32(0x00020001) + littleEndian32(44100) + littleEndian32(44100 * 4) + littleEndian32(0x00100004);
    const QByteArray chunks = "fmt " + littleEndian32(16) + format + "data" + littleEndian32(44100 * 4)
        + QByteArray(44100 * 4, '\0') + "ID3 " + littleEndian32(quint32(tag.size())) + tag
        + QByteArray(tag.size() & 1, '\0');
    return "RIFF" + littleEndian32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

QByteArray silentMpegAudio()
{
    // 144 * 128000 / 44100 = 417 bytes a frame, without padding.
    QByteArray frame = QByteArray("\xff\xfb\x90\x64", 4) + QByteArray(413, '\0');
    return frame.repeated(8);
}

QByteArray nestedChapters(int version, const QByteArray &id, int depth)
{
    // An element ID, then a chapter's start and end times and offsets, or a
    // table's flags and (no) entries.
    const QByteArray fields = QByteArray("c", 2) + (id == "CHAP" ? QByteArray(16, '\0') : QByteArray("\x03\x00", 2));
    const QByteArray innermost = frame(version, "TIT2", text("Chapter"));
    const int level = 10 + int(fields.size());
    QByteArray bytes;
    bytes.reserve(depth * level + innermost.size());
    for (int i = 0; i < depth; ++i) {
        const quint32 bodySize = quint32((depth - i) * level - 10 + innermost.size());
        bytes += id + (version == 3 ? bigEndian(bodySize, 4) : syncsafe(bodySize)) + QByteArray(2, '\0') + fields;
    }
    return bytes + innermost;
}

QByteArray frame(int version, const QByteArray &id, const QByteArray &body, char format)
{
    if (version == 2)
        return id + bigEndian(quint32(body.size()), 3) + body;
    const QByteArray size = version == 3 ? bigEndian(quint32(body.size()), 4) : syncsafe(quint32(body.size()));
    return id + size + '\0' + format + body;
}

QByteArray text(const QByteArray &value) { return '\0' + value; }

QByteArray deflatedRun(char letter, qint64 count)
{
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    QByteArray block(1 << 16, letter);
    QByteArray packed;
    unsigned char out[1 << 16];
    for (qint64 left = count; left >= 0;) {
        const qint64 take = std::min<qint64>(left, block.size());
        stream.next_in = reinterpret_cast<Bytef *>(block.data());
        stream.avail_in = uInt(take);
        left -= take;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int status = Z_OK;
        do {
            stream.next_out = out;
            stream.avail_out = sizeof out;
            status = deflate(&stream, flush);
            packed.append(reinterpret_cast<const char *>(out), int(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
        if (status == Z_STREAM_END)
            break;
    }
    deflateEnd(&stream);
    return packed;
}

QByteArray compressedFrame(const QByteArray &id, const QByteArray &body)
{
    QByteArray packed = qCompress(body, 9).mid(4); // Qt puts the length first
    return frame(4, id, syncsafe(quint32(body.size())) + packed, 0x09);
}

QByteArray tag(int version, const QList<QByteArray> &frames, int padding, char flags)
{
    const QByteArray body = frames.join() + QByteArray(padding, '\0');
    return "ID3" + QByteArray(1, char(version)) + '\0' + flags + syncsafe(quint32(body.size())) + body;
}

QMap<QString, QString> mutagenFrames(const QString &path)
{
    static const char script[] = R"(
import json, sys
from mutagen.id3 import ID3
from mutagen.wave import WAVE
path = sys.argv[1]
tags = WAVE(path).tags if path.endswith('.wav') else ID3(path, translate=False)
out = {'version': '%d.%d' % tags.version[:2]}
for key, frame in tags.items():
    out[key] = repr(frame)
for i, raw in enumerate(tags.unknown_frames):
    out['unknown%d' % i] = raw.hex()
print(json.dumps(out))
)";
    const QByteArray json =
        AudioFixtures::run(QStringLiteral("/usr/bin/python3"), {"-c", QString::fromLatin1(script), path});
    QMap<QString, QString> frames;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    for (auto value = object.begin(); value != object.end(); ++value)
        frames.insert(value.key(), value.value().toString());
    return frames;
}

bool haveMutagen()
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {"-c", "import mutagen"});
    return python.waitForFinished(30000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

} // namespace Id3Fixtures
