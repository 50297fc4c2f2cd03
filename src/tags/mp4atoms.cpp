#include "tags/mp4atoms.h"
#include "tags/streambytes.h"

#include <QtEndian>
#include <taglib/tiostream.h>

#include <algorithm>
#include <vector>

namespace {

// The atoms whose children TagLib reads.
bool isContainer(const QByteArray &name)
{
    static const char *const containers[] = {"moov", "udta", "mdia", "meta", "ilst", "stbl",
                                             "minf", "moof", "traf", "trak", "stsd"};
    return std::any_of(std::begin(containers), std::end(containers),
                       [&name](const char *container) { return name == container; });
}

// Where a container's children start after its header: "meta" is a full atom
// (four bytes of version and flags) unless a known child follows at once;
// "stsd" has a version, flags and an entry count.
qint64 childrenSkip(TagLib::IOStream &stream, const QByteArray &name, qint64 childrenStart)
{
    if (name == "stsd")
        return 8;
    if (name != "meta")
        return 0;
    const QByteArray next = readBytesAt(stream, long(childrenStart + 4), 4);
    for (const char *child : {"hdlr", "ilst", "mhdr", "ctry", "lang"}) {
        if (next == child)
            return 0;
    }
    return 4;
}

} // namespace

bool mp4AtomsNestWithinLimit(TagLib::IOStream &stream)
{
    struct Level
    {
        qint64 next;
        qint64 end;
    };
    const qint64 length = stream.length();
    std::vector<Level> levels{{0, length}};
    bool within = true;
    while (within && !levels.empty()) {
        Level &level = levels.back();
        const QByteArray header = level.next + 8 <= level.end ? readBytesAt(stream, long(level.next), 8) : QByteArray();
        if (header.size() < 8) {
            levels.pop_back();
            continue;
        }
        const qint64 start = level.next;
        qint64 size = qFromBigEndian<quint32>(header.constData());
        qint64 headerSize = 8;
        if (size == 1) {
            const QByteArray longSize = readBytesAt(stream, long(start + 8), 8);
            size =
                longSize.size() == 8 ? qint64(qFromBigEndian<quint64>(longSize.constData()) & 0x7fffffffffffffff) : 0;
            headerSize = 16;
        } else if (size == 0) {
            size = length - start;
        }
        // An atom too short for its header ends the reading of its level.
        if (size < headerSize) {
            levels.pop_back();
            continue;
        }
        level.next = start + std::min(size, length - start);
        const QByteArray name = header.mid(4);
        if (isContainer(name)) {
            if (qsizetype(levels.size()) > mp4NestingLimit) {
                within = false;
            } else {
                const qint64 childrenStart = start + headerSize;
                const qint64 end = start + std::min(size, length - start);
                levels.push_back({childrenStart + childrenSkip(stream, name, childrenStart), end});
            }
        }
    }
    stream.seek(0);
    return within;
}
