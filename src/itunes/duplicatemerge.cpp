#include "itunes/duplicatemerge.h"

#include <QHash>
#include <QStringList>
#include <optional>
#include <vector>

namespace {

PairSide pairSide(const DBelement &record)
{
    return {record.flag(SongField::Itunes), record.bpm(), record.bpmLocked()};
}

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

PairOutcome mergePair(const PairSide &current, const PairSide &earlier)
{
    using Side = PairOutcome::Side;
    const auto takesBpm = [](const PairSide &kept, const PairSide &dropped) {
        return kept.bpm == 0 && !kept.bpmLocked && dropped.bpm != 0;
    };
    PairOutcome outcome;
    if (current.inItunes && !earlier.inItunes) {
        outcome.dropped = Side::Earlier;
        if (takesBpm(current, earlier))
            outcome.takesBpm = Side::Current;
    } else if (!current.inItunes && earlier.inItunes) {
        outcome.dropped = Side::Current;
        if (takesBpm(earlier, current))
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
            const PairOutcome outcome = mergePair(pairSide(current), pairSide(*earlier.record));
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
    // Freed a piece at a time as well: a hundred thousand titles take a while.
    for (auto group = byTitle.begin(); group != byTitle.end();) {
        group = byTitle.erase(group);
        if (pause && (++scanned & 255) == 0)
            pause();
    }
    return toDrop;
}
