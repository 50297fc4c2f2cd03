#include "itunes/duplicatemerge.h"

#include <QHash>
#include <QStringList>
#include <optional>
#include <vector>

namespace {

bool isInItunes(const DBelement &record) { return record.flag(SongField::Itunes); }

// Besides the title, the five texts of the duplicate rule: records of one
// title match exactly when these are equal.
QStringList otherMatchedTexts(const DBelement &record)
{
    return {record.text(SongField::Artist), record.text(SongField::AlbumTitle), record.text(SongField::Genre),
            record.text(SongField::AlbumArtist), record.text(SongField::Composer)};
}

struct Filed
{
    const std::string *key;
    const DBelement *record;
};

// The records filed under one title. Of the earlier records of a title only
// those that match all six texts come to anything, so they are kept apart by
// the other five, which are read only once a second record of the title turns
// up: each record meets the same matching records in the same order as under
// its title alone, without comparing the many songs that share a title.
struct TitleGroup
{
    std::optional<Filed> only; // the title's one record so far, its other texts unread
    QHash<QStringList, std::vector<Filed>> byOtherTexts;

    bool isEmpty() const { return !only && byOtherTexts.isEmpty(); }

    // The earlier records of the title that match the record, in the order
    // they were filed; the record is filed at the end of this list.
    std::vector<Filed> &matching(const DBelement &record)
    {
        if (only) {
            byOtherTexts[otherMatchedTexts(*only->record)].push_back(*only);
            only.reset();
        }
        return byOtherTexts[otherMatchedTexts(record)];
    }
};

} // namespace

PairOutcome mergePair(bool currentInItunes, int currentBpm, bool earlierInItunes, int earlierBpm)
{
    using Side = PairOutcome::Side;
    PairOutcome outcome;
    if (currentInItunes && !earlierInItunes) {
        outcome.dropped = Side::Earlier;
        if (currentBpm == 0 && earlierBpm != 0)
            outcome.takesBpm = Side::Current;
    } else if (!currentInItunes && earlierInItunes) {
        outcome.dropped = Side::Current;
        if (earlierBpm == 0 && currentBpm != 0)
            outcome.takesBpm = Side::Earlier;
    }
    return outcome;
}

std::set<std::string> findDuplicates(const TableMap &library, const CarryOver &carryOver, std::ostream &out,
                                     const std::function<void()> &pause)
{
    using Side = PairOutcome::Side;
    QHash<QString, TitleGroup> byTitle;
    std::set<std::string> toDrop;
    size_t scanned = 0;
    for (const auto &[key, current] : library) {
        if (pause && (++scanned & 255) == 0)
            pause();
        TitleGroup &sameTitle = byTitle[current.text(SongField::Title)];
        if (sameTitle.isEmpty()) {
            sameTitle.only = Filed{&key, &current};
            continue;
        }
        std::vector<Filed> &matching = sameTitle.matching(current);
        for (const Filed &earlier : matching) {
            const PairOutcome outcome =
                mergePair(isInItunes(current), current.bpm(), isInItunes(*earlier.record), earlier.record->bpm());
            if (outcome.dropped == Side::Earlier) {
                toDrop.insert(*earlier.key);
                carryOver(key, *earlier.record, outcome.takesBpm == Side::Current);
            } else if (outcome.dropped == Side::Current) {
                toDrop.insert(key);
                carryOver(*earlier.key, current, outcome.takesBpm == Side::Earlier);
                if (outcome.takesBpm == Side::Earlier)
                    out << "HMM\n";
            }
        }
        matching.push_back({&key, &current});
    }
    return toDrop;
}
