#include "tags/chapterframes.h"

bool isChapterFrameId(const QByteArray &id) { return id == "CHAP" || id == "CTOC"; }

bool chapterNestsTooDeep(const QByteArray &body)
{
    int named = 0;
    for (const char *id : {"CHAP", "CTOC"}) {
        for (qsizetype at = body.indexOf(id); at >= 0; at = body.indexOf(id, at + 4)) {
            if (++named > chapterNestingLimit)
                return true;
        }
    }
    return false;
}
