#include "table/songfilter.h"
#include "library/dbelement.h"
#include "library/foldedtext.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// The song's texts that words are looked for in.
constexpr SongField searchedFields[] = {SongField::Title, SongField::Artist,      SongField::AlbumTitle,
                                        SongField::Genre, SongField::AlbumArtist, SongField::Composer};

// A whole number of at most four digits: no BPM is longer.
bool readBpm(QStringView text, int *bpm)
{
    if (text.isEmpty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return false;
    *bpm = text.toInt();
    return true;
}

// "120-130" or "128"; false for anything else.
bool readRange(QStringView text, int *low, int *high)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0) {
        if (!readBpm(text, low))
            return false;
        *high = *low;
        return true;
    }
    if (!readBpm(text.left(dash), low) || !readBpm(text.mid(dash + 1), high))
        return false;
    if (*low > *high)
        std::swap(*low, *high);
    return true;
}

bool inRange(double bpm, int low, int high) { return bpm >= low && bpm <= high; }

} // namespace

SongFilter::SongFilter(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        while (start < text.size() && text[start].isSpace())
            ++start;
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        if (end > start) {
            Term term = termOf(text.mid(start, end - start));
            if (term.kind != Term::Word || !term.word.isEmpty())
                terms.push_back(std::move(term));
        }
        start = end;
    }
}

SongFilter::Term SongFilter::termOf(QStringView token)
{
    Term term;
    if (token.size() > 1 && token.front() == QLatin1Char('-')) {
        term.negated = true;
        token = token.mid(1);
    }
    auto is = [&token](const char *name) { return token.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("unsure"))
        term.kind = Term::Unsure;
    else if (is("nobpm"))
        term.kind = Term::NoBpm;
    else if (is("locked"))
        term.kind = Term::Locked;
    else if (is("missing"))
        term.kind = Term::Missing;
    else if (token.startsWith(QLatin1String("bpm:"), Qt::CaseInsensitive)
             && readRange(token.mid(4), &term.low, &term.high))
        term.kind = Term::Bpm;
    else if (token.startsWith(QLatin1String("~bpm:"), Qt::CaseInsensitive)
             && readRange(token.mid(5), &term.low, &term.high))
        term.kind = Term::BpmAnyLevel;
    else
        // Control characters are no part of any word a song's texts hold.
        term.word = foldedCaseAndAccents(token).remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
    return term;
}

bool SongFilter::readsTexts() const
{
    return std::any_of(terms.begin(), terms.end(), [](const Term &term) { return term.kind == Term::Word; });
}

bool SongFilter::matches(const DBelement &record, SongFacts &facts) const
{
    return std::all_of(terms.begin(), terms.end(),
                       [&](const Term &term) { return meets(term, record, facts) != term.negated; });
}

bool SongFilter::meets(const Term &term, const DBelement &record, SongFacts &facts)
{
    const int bpm = record.bpm();
    switch (term.kind) {
    case Term::Word:
        return facts.searchText().contains(term.word);
    case Term::Bpm:
        return bpm > 0 && inRange(bpm, term.low, term.high);
    case Term::BpmAnyLevel:
        return bpm > 0
            && (inRange(bpm, term.low, term.high) || inRange(bpm * 2.0, term.low, term.high)
                || inRange(bpm / 2.0, term.low, term.high));
    case Term::Unsure:
        return record.bpmAlternative() > 0;
    case Term::NoBpm:
        return bpm <= 0;
    case Term::Locked:
        return record.bpmLocked();
    case Term::Missing:
        return facts.fileMissing();
    }
    return false;
}

QString songSearchText(const DBelement &record)
{
    QString text;
    QString folded;
    for (SongField field : searchedFields) {
        foldCaseAndAccents(record.storedText(field), folded);
        text += folded;
        text += QLatin1Char('\n');
    }
    return text;
}
