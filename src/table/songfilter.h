#pragma once

#include <QString>
#include <QStringView>
#include <vector>

class DBelement;

// What the filter bar's text asks for. The text is split at white space
// into terms, all of which a song must meet; "-term" asks for the songs that
// do not meet it:
//   word           somewhere in the title, artist, album title, genre, album
//                  artist or composer, ignoring case and accents
//   bpm:120-130    a BPM from 120 to 130 (bpm:130-120 reads the same)
//   bpm:128        a BPM of 128
//   ~bpm:170-180   the same, or half or double of it in range (85 to 90 too)
//   unsure         the analyser named an Alternative
//   nobpm          no BPM
//   locked         the BPM is locked
//   missing        the song's file is not where its location says
// Anything else, "bpm:abc" and "~bpm:" among it, is taken as a word.
class SongFilter
{
public:
    explicit SongFilter(QStringView text = {});

    bool isEmpty() const { return terms.empty(); }
    // Whether a word is to be looked for in the song's texts.
    bool readsTexts() const;

    // What a filter may ask of a song besides its record; each is asked only
    // when a term needs it, so it may be worked out then.
    class SongFacts
    {
    public:
        // The song's texts as songSearchText folds them.
        virtual const QString &searchText() = 0;
        // Whether the song's file is not where its location says.
        virtual bool fileMissing() = 0;

    protected:
        ~SongFacts() = default;
    };
    bool matches(const DBelement &record, SongFacts &facts) const;

private:
    struct Term
    {
        enum Kind { Word, Bpm, BpmAnyLevel, Unsure, NoBpm, Locked, Missing } kind = Word;
        bool negated = false;
        QString word;
        int low = 0;
        int high = 0;
    };
    static Term termOf(QStringView token);
    static bool meets(const Term &term, const DBelement &record, SongFacts &facts);

    std::vector<Term> terms;
};

// The texts a filter's words are looked for in, folded (see
// foldCaseAndAccents), one per line so that no word spans two of them.
QString songSearchText(const DBelement &record);
