#pragma once

#include "library/dbelement.h"

#include <functional>
#include <ostream>
#include <set>
#include <string>

// What a matching pair of records comes to: the record present in iTunes is
// kept and the other dropped, and the kept one takes over the other's BPM
// when it has none. When both or neither are in iTunes, both stay.
struct PairOutcome
{
    enum class Side { Neither, Current, Earlier };
    Side dropped = Side::Neither;
    Side takesBpm = Side::Neither;
};
PairOutcome mergePair(bool currentInItunes, int currentBpm, bool earlierInItunes, int earlierBpm);

// Scans the library in key order; each record is matched against the earlier
// records of exactly the same title, in the order they were met. Two records
// are duplicates when their title, artist, album title, genre, album artist
// and composer texts are all exactly equal. BPMs are carried over through
// carryBpm(key of the record to take it, record it comes from) as the scan
// goes, which must change the library's record at once, so later pairs see
// them; "HMM" is written for each one carried to an earlier record. Returns
// the keys of the records to drop; nothing is dropped during the scan. pause
// is called every so often during a long scan.
std::set<std::string> findDuplicates(const TableMap &library,
                                     const std::function<void(const std::string &, const DBelement &)> &carryBpm,
                                     std::ostream &out, const std::function<void()> &pause = {});
