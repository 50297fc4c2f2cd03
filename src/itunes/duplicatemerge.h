#pragma once

#include "library/dbelement.h"

#include <functional>
#include <ostream>
#include <set>
#include <string>

// What a matching pair of records comes to: the record present in iTunes is
// kept and the other dropped, and the kept one takes over the other's BPM
// (and with it its lock) when it has none and has not locked that.
// When both or neither are in iTunes, both stay.
struct PairOutcome
{
    enum class Side { Neither, Current, Earlier };
    Side dropped = Side::Neither;
    Side takesBpm = Side::Neither;
};
struct PairSide
{
    bool inItunes = false;
    int bpm = 0;
    bool bpmLocked = false;
};
PairOutcome mergePair(const PairSide &current, const PairSide &earlier);

// Scans the library in key order; each record is matched against the earlier
// records of exactly the same title, in the order they were met. Two records
// are duplicates when their title, artist, album title, genre, album artist
// and composer texts are all exactly equal. For each pair that drops a
// record, carryOver(key of the record kept, the record dropped, whether the
// kept one takes its BPM) is called as the scan goes, and must change the
// library's record at once, so later pairs see it; "HMM" is written for each
// BPM carried to an earlier record. Returns the keys of the records to drop;
// nothing is dropped during the scan. pause is called every so often during
// a long scan.
using CarryOver = std::function<void(const std::string &kept, const DBelement &dropped, bool takesBpm)>;
std::set<std::string> findDuplicates(const TableMap &library, const CarryOver &carryOver, std::ostream &out,
                                     const std::function<void()> &pause = {});
