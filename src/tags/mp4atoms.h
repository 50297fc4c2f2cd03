#pragma once

namespace TagLib {
class IOStream;
}

// An MP4 file is a tree of atoms, and TagLib reads the containers among them
// by recursion, one level deeper for each: a file that nests some ten
// thousand overflows the stack. Real files nest about six (moov, trak, mdia,
// minf, stbl, stsd), so one nesting its containers deeper than this is not
// given to TagLib.
constexpr int mp4NestingLimit = 32;

// Whether the containers of the stream's atom tree nest within the limit,
// walked as TagLib walks them but without recursion. Leaves the stream at
// its start.
bool mp4AtomsNestWithinLimit(TagLib::IOStream &stream);
