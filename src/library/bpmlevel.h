#pragma once

// A song's tempo and the other tempo level the analyser thought possible;
// 0 stands for none. The tempo is kept as found or worked out (127.5, 67.5),
// so that moving it by a level and back gives the same BPM; the song shows it
// as a whole BPM.
struct BpmLevels
{
    double tempo = 0;
    int alternative = 0;

    int bpm() const;
    bool operator==(const BpmLevels &other) const { return tempo == other.tempo && alternative == other.alternative; }
};

// The whole BPM a tempo shows as: the nearest whole number. The analyser's
// tempos are taken by their whole part, so one from 200.5 up to 201 shows
// 200; no tempo (0, or anything outside 0 to 201) shows 0.
int wholeBpm(double tempo);

// The one-key fixes of a song's tempo level.
enum class LevelCommand { Double, Halve, UseAlternative, ThreeHalves, TwoThirds };

// What a level command does to one song.
struct LevelOutcome
{
    enum class Kind {
        Changed,
        // The song's BPM is locked: the user has settled it.
        Locked,
        // Nothing to change: no BPM (or, to use it, no Alternative), or a
        // result outside 50 to 200, which is left as it was rather than
        // reset to none.
        Unchanged,
    };
    Kind kind = Kind::Unchanged;
    // The new levels, when changed.
    BpmLevels levels;
};

// A command works from the exact tempo: doubling, halving, x 3/2 and x 2/3
// settle the level, so the Alternative goes; using the Alternative swaps the
// two, so the same key undoes it.
LevelOutcome levelChange(LevelCommand command, const BpmLevels &levels, bool locked);
