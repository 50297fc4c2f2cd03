#include "tags/boundedinflate.h"

#include <zlib.h>

qint64 inflatedSize(const QByteArray &compressed, qint64 limit)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return -1;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    // The output is only counted, so one small buffer is written over and over.
    unsigned char scratch[1 << 14];
    qint64 total = 0;
    int status = Z_OK;
    while (status == Z_OK && total <= limit) {
        stream.next_out = scratch;
        stream.avail_out = sizeof scratch;
        status = inflate(&stream, Z_NO_FLUSH);
        total += qint64(sizeof scratch - stream.avail_out);
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END && total <= limit ? total : -1;
}
