#pragma once

#include "library/dbelement.h"

#include <QString>
#include <set>

// How a phone knows a song. A phone filled from the same library as the
// desktop sends the record's own persistent ID; a phone with a library of
// its own sends IDs the desktop has never seen, and such a song, once found
// by what it is, is linked: the record keeps the phone's ID. One phone ID per
// record, one record per phone ID.

// The ID the phone knows the song by: the phone's own ID of a linked song,
// else the song's persistent ID.
QString phoneSongID(const DBelement &record);

// Whether some phone ID already stands for the song: it is linked, or a
// phone has sent it under its own persistent ID and marked it as on the
// phone. Such a song takes no further link.
bool knownToPhone(const DBelement &record);

// Merge: the record kept of a duplicate pair takes the dropped one's place on
// the phone, when it has none of its own; each phone ID goes to one record,
// however many duplicates drop the same record.
class PhoneLinkCarry
{
public:
    void carry(DBelement &kept, const DBelement &dropped);

private:
    std::set<QString> carried;
};
