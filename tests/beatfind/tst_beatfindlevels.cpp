// Which metrical level the drums mark as the beat: the kick and the snare
// taking turns, told apart even though each also sounds in the other's band.
#include "metricallevel.h"
#include "onsetenvelope.h"
#include "syntheticaudio.h"
#include "tempoestimator.h"

#include <QtTest>

#include <cmath>

namespace {

struct Levels
{
    double beat = NAN, half = NAN, twice = NAN; // backbeat evidence at each level, NAN when out of range
};

Levels backbeatAt(const synthetic::Pattern &pattern, double bpm)
{
    const int rate = 44100;
    const std::vector<float> song = synthetic::render(pattern, bpm, 40.0, rate);
    beatfind::OnsetAnalyser analyser(rate);
    analyser.push(song.data(), song.size());
    const beatfind::OnsetEnvelope &onsets = analyser.envelope();
    Levels levels;
    for (const beatfind::LevelEvidence &e : beatfind::beatCandidates(onsets, beatfind::prepareRhythm(onsets))) {
        if (std::abs(e.bpm / bpm - 1.0) < 0.02)
            levels.beat = e.backbeat;
        else if (std::abs(e.bpm / bpm - 0.5) < 0.01)
            levels.half = e.backbeat;
        else if (std::abs(e.bpm / bpm - 2.0) < 0.04)
            levels.twice = e.backbeat;
    }
    return levels;
}

} // namespace

class TestBeatfindLevels : public QObject
{
    Q_OBJECT

private slots:
    void backbeatMarksTheBeat_data();
    void backbeatMarksTheBeat();
    void kickOnEveryBeatIsNoBackbeat_data();
    void kickOnEveryBeatIsNoBackbeat();
};

void TestBeatfindLevels::backbeatMarksTheBeat_data()
{
    QTest::addColumn<bool>("eighthHiHat");
    QTest::addColumn<double>("bpm");
    for (double bpm : {62.0, 90.0, 128.0, 170.0})
        QTest::addRow("backbeat at %g", bpm) << false << bpm;
    for (double bpm : {76.0, 140.0})
        QTest::addRow("eighth hi-hat at %g", bpm) << true << bpm;
}

void TestBeatfindLevels::backbeatMarksTheBeat()
{
    QFETCH(bool, eighthHiHat);
    QFETCH(double, bpm);
    const Levels levels = backbeatAt(eighthHiHat ? synthetic::backbeatWithEighthHiHat() : synthetic::backbeat(), bpm);
    const QString values =
        QStringLiteral("beat %1, half %2, double %3").arg(levels.beat).arg(levels.half).arg(levels.twice);
    QVERIFY2(levels.beat > 0.3, qPrintable(values));
    for (double other : {levels.half, levels.twice})
        QVERIFY2(std::isnan(other) || other < levels.beat - 0.3, qPrintable(values));
}

void TestBeatfindLevels::kickOnEveryBeatIsNoBackbeat_data()
{
    QTest::addColumn<double>("bpm");
    for (double bpm : {96.0, 124.0})
        QTest::addRow("%g BPM", bpm) << bpm;
}

void TestBeatfindLevels::kickOnEveryBeatIsNoBackbeat()
{
    QFETCH(double, bpm);
    const Levels levels = backbeatAt(synthetic::fourOnTheFloor(), bpm);
    const QString values =
        QStringLiteral("beat %1, half %2, double %3").arg(levels.beat).arg(levels.half).arg(levels.twice);
    QVERIFY2(std::abs(levels.beat) < 0.2, qPrintable(values));
}

QTEST_GUILESS_MAIN(TestBeatfindLevels)
#include "tst_beatfindlevels.moc"
