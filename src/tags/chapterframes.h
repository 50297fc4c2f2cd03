#pragma once

#include <QByteArray>

// ID3v2 chapter frames (CHAP, and the table of contents CTOC) hold frames of
// their own, chapter frames among them, and TagLib reads them by recursion,
// one level deeper for each: a tag that nests some ten thousand of them
// overflows the stack. Real files nest one level at most (a chapter's title
// or picture), so a chapter frame whose body names chapter frames more often
// than this is not given to TagLib.
constexpr int chapterNestingLimit = 16;

bool isChapterFrameId(const QByteArray &id);

// Whether a chapter frame's body (after its header) names more chapter
// frames than chapterNestingLimit. Counting the names, not walking the
// frames, cannot be led astray by sizes that a reader takes otherwise.
bool chapterNestsTooDeep(const QByteArray &body);
