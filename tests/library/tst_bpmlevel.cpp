#include "library/bpmlevel.h"
#include "library/bpmrange.h"
#include "testenvironment.h"

#include <QHash>
#include <QSettings>
#include <cmath>

Q_DECLARE_METATYPE(LevelCommand)
using Kind = LevelOutcome::Kind;
Q_DECLARE_METATYPE(Kind)

class TestBpmLevel : public QObject
{
    Q_OBJECT

private slots:
    // (command, exact tempo, locked) -> what the song becomes.
    void levelChange_data()
    {
        QTest::addColumn<LevelCommand>("command");
        QTest::addColumn<double>("tempo");
        QTest::addColumn<int>("alternative");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<double>("newTempo");
        QTest::addColumn<int>("newAlternative");
        QTest::addColumn<int>("shownBpm");
        const LevelCommand twice = LevelCommand::Double;
        const LevelCommand half = LevelCommand::Halve;
        const LevelCommand use = LevelCommand::UseAlternative;
        const LevelCommand up = LevelCommand::ThreeHalves;
        const LevelCommand down = LevelCommand::TwoThirds;
        const Kind changed = Kind::Changed;
        const Kind kept = Kind::Unchanged;
        const Kind locked = Kind::Locked;
        QTest::newRow("double") << twice << 63. << 0 << false << changed << 126. << 0 << 126;
        QTest::newRow("double settles the level") << twice << 63. << 126 << false << changed << 126. << 0 << 126;
        QTest::newRow("double to the upper end") << twice << 100. << 0 << false << changed << 200. << 0 << 200;
        QTest::newRow("double beyond the upper end") << twice << 101. << 0 << false << kept << 101. << 0 << 101;
        QTest::newRow("double the lowest") << twice << 50. << 0 << false << changed << 100. << 0 << 100;
        QTest::newRow("double no BPM") << twice << 0. << 0 << false << kept << 0. << 0 << 0;
        QTest::newRow("double the exact tempo") << twice << 87.5 << 175 << false << changed << 175. << 0 << 175;
        QTest::newRow("double an exact tempo beyond the upper end")
            << twice << 100.5 << 0 << false << kept << 100.5 << 0 << 101;
        QTest::newRow("halve") << half << 172. << 0 << false << changed << 86. << 0 << 86;
        QTest::newRow("halve odd keeps the half") << half << 125. << 0 << false << changed << 62.5 << 0 << 63;
        QTest::newRow("halve to the lower end") << half << 100. << 0 << false << changed << 50. << 0 << 50;
        QTest::newRow("halve to the lower end from odd") << half << 101. << 0 << false << changed << 50.5 << 0 << 51;
        QTest::newRow("halve below the lower end") << half << 99. << 0 << false << kept << 99. << 0 << 99;
        QTest::newRow("halve the highest") << half << 200. << 0 << false << changed << 100. << 0 << 100;
        QTest::newRow("halve no BPM") << half << 0. << 0 << false << kept << 0. << 0 << 0;
        QTest::newRow("halve a BPM out of range") << half << 250. << 0 << false << kept << 250. << 0 << 0;
        QTest::newRow("halve what BeatFind found above 200")
            << half << 200.8 << 0 << false << changed << 100.4 << 0 << 100;
        QTest::newRow("x 3/2") << up << 100. << 0 << false << changed << 150. << 0 << 150;
        QTest::newRow("x 3/2 settles the level") << up << 80. << 160 << false << changed << 120. << 0 << 120;
        QTest::newRow("x 3/2 of an odd BPM") << up << 81. << 0 << false << changed << 121.5 << 0 << 122;
        QTest::newRow("x 3/2 to the upper end")
            << up << 133.33333333333334 << 0 << false << changed << 200. << 0 << 200;
        QTest::newRow("x 3/2 beyond the upper end") << up << 134. << 0 << false << kept << 134. << 0 << 134;
        QTest::newRow("x 3/2 no BPM") << up << 0. << 0 << false << kept << 0. << 0 << 0;
        QTest::newRow("x 2/3") << down << 120. << 0 << false << changed << 80. << 0 << 80;
        QTest::newRow("x 2/3 of no multiple of 3") << down << 100. << 150 << false << changed << 200. / 3 << 0 << 67;
        QTest::newRow("x 2/3 to the lower end") << down << 75. << 0 << false << changed << 50. << 0 << 50;
        QTest::newRow("x 2/3 below the lower end") << down << 74. << 0 << false << kept << 74. << 0 << 74;
        QTest::newRow("use swaps") << use << 63. << 127 << false << changed << 127. << 63 << 127;
        QTest::newRow("use at the range ends") << use << 200. << 50 << false << changed << 50. << 200 << 50;
        QTest::newRow("use without an Alternative") << use << 120. << 0 << false << kept << 120. << 0 << 120;
        QTest::newRow("use beside no BPM leaves none behind") << use << 0. << 90 << false << changed << 90. << 0 << 90;
        QTest::newRow("use an Alternative out of range") << use << 120. << 240 << false << kept << 120. << 240 << 120;
        QTest::newRow("use swaps the shown BPM in") << use << 87.5 << 175 << false << changed << 175. << 88 << 175;
        QTest::newRow("locked: no double") << twice << 63. << 0 << true << locked << 63. << 0 << 63;
        QTest::newRow("locked: no halve") << half << 67.5 << 0 << true << locked << 67.5 << 0 << 68;
        QTest::newRow("locked: no x 3/2") << up << 100. << 0 << true << locked << 100. << 0 << 100;
        QTest::newRow("locked: no x 2/3") << down << 120. << 0 << true << locked << 120. << 0 << 120;
        QTest::newRow("locked: no swap") << use << 63. << 127 << true << locked << 63. << 127 << 63;
        QTest::newRow("locked without a BPM") << use << 0. << 90 << true << locked << 0. << 90 << 0;
    }
    void levelChange()
    {
        QFETCH(LevelCommand, command);
        QFETCH(double, tempo);
        QFETCH(int, alternative);
        QFETCH(bool, locked);
        QFETCH(Kind, kind);
        QFETCH(double, newTempo);
        QFETCH(int, newAlternative);
        QFETCH(int, shownBpm);
        const LevelOutcome outcome = ::levelChange(command, {tempo, alternative}, locked);
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.levels, (BpmLevels{newTempo, newAlternative}));
        QCOMPARE(outcome.levels.bpm(), shownBpm);
    }

    // Commands one after the other, each from the exact tempo the last left:
    // the whole BPM shown after each. A command that would leave 50-200
    // changes nothing, and the next goes on from the same tempo.
    void levelRoundTrips_data()
    {
        QTest::addColumn<double>("tempo");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("halve then double") << 135. << "halve double" << QList<int>{68, 135};
        QTest::newRow("double then halve an odd tempo") << 87.5 << "double halve" << QList<int>{175, 88};
        QTest::newRow("x 3/2 then x 2/3") << 100. << "up down" << QList<int>{150, 100};
        QTest::newRow("x 2/3 then x 3/2") << 100. << "down up" << QList<int>{67, 100};
        QTest::newRow("x 2/3 twice and back") << 190. << "down down up up" << QList<int>{127, 84, 127, 190};
        QTest::newRow("halve, x 3/2, x 2/3, double") << 131. << "halve up down double" << QList<int>{66, 98, 66, 131};
        QTest::newRow("x 3/2 refused, x 2/3 from where it was") << 150. << "up down" << QList<int>{150, 100};
        QTest::newRow("halve refused, then double") << 99. << "halve double" << QList<int>{99, 198};
        QTest::newRow("double refused, x 2/3 still exact") << 101.5 << "double down double" << QList<int>{102, 68, 135};
    }
    void levelRoundTrips()
    {
        QFETCH(double, tempo);
        QFETCH(QString, commands);
        QFETCH(QList<int>, shown);
        const QHash<QString, LevelCommand> named{{"double", LevelCommand::Double},
                                                 {"halve", LevelCommand::Halve},
                                                 {"up", LevelCommand::ThreeHalves},
                                                 {"down", LevelCommand::TwoThirds}};
        BpmLevels levels{tempo, 0};
        QList<int> bpms;
        for (const QString &name : commands.split(QLatin1Char(' '))) {
            const LevelOutcome outcome = ::levelChange(named.value(name), levels, false);
            levels = outcome.levels;
            bpms << levels.bpm();
        }
        QCOMPARE(bpms, shown);
    }

    // A move and its opposite give every whole BPM back exactly, with no
    // fraction left over to store.
    void movesAndTheirOppositesGiveWholeBpmsBack()
    {
        const std::pair<LevelCommand, LevelCommand> pairs[] = {
            {LevelCommand::Double, LevelCommand::Halve},
            {LevelCommand::Halve, LevelCommand::Double},
            {LevelCommand::ThreeHalves, LevelCommand::TwoThirds},
            {LevelCommand::TwoThirds, LevelCommand::ThreeHalves},
        };
        for (int bpm = 50; bpm <= 200; ++bpm) {
            for (const auto &[there, back] : pairs) {
                const LevelOutcome moved = ::levelChange(there, {double(bpm), 0}, false);
                if (moved.kind != Kind::Changed)
                    continue;
                const LevelOutcome returned = ::levelChange(back, moved.levels, false);
                QCOMPARE(returned.kind, Kind::Changed);
                QCOMPARE(returned.levels.tempo, double(bpm));
            }
        }
    }

    void wholeBpm_data()
    {
        QTest::addColumn<double>("tempo");
        QTest::addColumn<int>("bpm");
        QTest::newRow("half rounds up") << 127.5 << 128;
        QTest::newRow("below half rounds down") << 127.49 << 127;
        QTest::newRow("whole") << 120. << 120;
        QTest::newRow("lower end") << 50. << 50;
        QTest::newRow("upper end's fraction stays 200") << 200.7 << 200;
        QTest::newRow("none") << 0. << 0;
        QTest::newRow("negative") << -5. << 0;
        QTest::newRow("not a number") << std::nan("") << 0;
        QTest::newRow("beyond the analyser's range") << 1e12 << 0;
    }
    void wholeBpm()
    {
        QFETCH(double, tempo);
        QFETCH(int, bpm);
        QCOMPARE(::wholeBpm(tempo), bpm);
    }

    void rangeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("common") << "70-140" << 70 << 140;
        QTest::newRow("full") << "50-200" << 50 << 200;
        QTest::newRow("one tempo") << "120-120" << 120 << 120;
        QTest::newRow("blanks") << " 80 - 160 " << 80 << 160;
        QTest::newRow("reversed") << "140-70" << 50 << 200;
        QTest::newRow("below 50") << "40-140" << 50 << 200;
        QTest::newRow("above 200") << "70-240" << 50 << 200;
        QTest::newRow("not numbers") << "slow-fast" << 50 << 200;
        QTest::newRow("fractions") << "70.5-140" << 50 << 200;
        QTest::newRow("one number") << "70" << 50 << 200;
        QTest::newRow("three numbers") << "70-100-140" << 50 << 200;
        QTest::newRow("empty") << "" << 50 << 200;
    }
    void rangeText()
    {
        QFETCH(QString, text);
        QFETCH(int, low);
        QFETCH(int, high);
        const BpmRange range = bpmRangeFromText(text);
        QCOMPARE(range, (BpmRange{low, high}));
        QCOMPARE(bpmRangeFromText(bpmRangeText(range)), range);
    }

    void preferredRangeLivesInTheSettings()
    {
        QSettings().clear();
        QCOMPARE(preferredBpmRange(), (BpmRange{50, 200}));
        setPreferredBpmRange({80, 160});
        QCOMPARE(QSettings().value(QStringLiteral("preferredBpmRange")).toString(), QStringLiteral("80-160"));
        QCOMPARE(preferredBpmRange(), (BpmRange{80, 160}));
        // A hand-edited value that makes no range reads as the full one.
        QSettings().setValue(QStringLiteral("preferredBpmRange"), QStringLiteral("160-80"));
        QCOMPARE(preferredBpmRange(), (BpmRange{50, 200}));
    }
};

VELMORA_TEST_MAIN(TestBpmLevel)
#include "tst_bpmlevel.moc"
