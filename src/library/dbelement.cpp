#include "library/dbelement.h"
#include "library/bpmtext.h"

#include <algorithm>
#include <iterator>

const QColor DBelement::alternativeBpmColour(0xb3, 0x4d, 0x00);

namespace {

// The slot of each text field in DBelement::texts; -1 for the others.
constexpr int textSlots[songFieldCount] = {0, 1, -1, 2, 3, 4, 5, 6, -1, -1, 7, -1, 8};

} // namespace

QString *DBelement::textSlot(SongField field)
{
    const int slot = textSlots[int(field)];
    return slot < 0 ? nullptr : &texts[slot];
}

const QString *DBelement::textSlot(SongField field) const
{
    const int slot = textSlots[int(field)];
    return slot < 0 ? nullptr : &texts[slot];
}

QVariant DBelement::value(SongField field) const
{
    if (!isSet(field))
        return QVariant();
    if (field == SongField::Bpm)
        return bpmValue;
    if (isFlagField(field))
        return flag(field);
    return *textSlot(field);
}

QString DBelement::text(SongField field) const
{
    if (!isSet(field))
        return QString();
    if (field == SongField::Bpm)
        return QString::number(bpmValue);
    if (isFlagField(field))
        return flag(field) ? QStringLiteral("true") : QStringLiteral("false");
    return *textSlot(field);
}

void DBelement::setText(SongField field, const QString &text)
{
    setFields |= bit(field);
    if (field == SongField::Bpm) {
        bpmValue = bpmFromText(text);
        exactBpm = 0;
    } else if (!isFlagField(field))
        *textSlot(field) = text;
    else if (flagFromText(text))
        flags |= bit(field);
    else
        flags &= ~bit(field);
}

void DBelement::setBPM(int bpm)
{
    setFields |= bit(SongField::Bpm);
    bpmValue = bpm;
    exactBpm = 0;
}

void DBelement::setBpmExact(double tempo)
{
    setFields |= bit(SongField::Bpm);
    bpmValue = wholeBpm(tempo);
    exactBpm = bpmValue != 0 && tempo != bpmValue ? tempo : 0;
}

void DBelement::setLevels(const BpmLevels &levels)
{
    setBpmExact(levels.tempo);
    setBpmAlternative(levels.alternative);
}

bool DBelement::sameValues(const DBelement &other) const
{
    return std::equal(std::begin(texts), std::end(texts), std::begin(other.texts)) && bpmValue == other.bpmValue
        && alternativeBpm == other.alternativeBpm && exactBpm == other.exactBpm && lockedBpm == other.lockedBpm
        && flags == other.flags && setFields == other.setFields && deviceBPM == other.deviceBPM
        && isProtected == other.isProtected;
}

void DBelement::setBpmAlternative(int bpm) { alternativeBpm = bpm >= 50 && bpm <= 200 ? bpm : 0; }
