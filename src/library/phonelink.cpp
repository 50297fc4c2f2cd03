#include "library/phonelink.h"

QString phoneSongID(const DBelement &record)
{
    const QString &phoneID = record.storedText(SongField::PhoneID);
    return phoneID.isEmpty() ? record.text(SongField::PersistentID) : phoneID;
}

bool knownToPhone(const DBelement &record)
{
    return !record.storedText(SongField::PhoneID).isEmpty() || record.flag(SongField::Iphone);
}

void PhoneLinkCarry::carry(DBelement &kept, const DBelement &dropped)
{
    if (knownToPhone(kept) || !knownToPhone(dropped))
        return;
    const QString id = phoneSongID(dropped);
    if (id.isEmpty() || !carried.insert(id).second)
        return;
    kept.setPhoneID(id);
    kept.setIphone(dropped.text(SongField::Iphone));
    kept.deviceBPM = dropped.deviceBPM;
}
