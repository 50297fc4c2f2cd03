// The harmony the analyser hears: pitch classes of chords, and bars found
// from where chords change.
#include "harmonicrhythm.h"
#include "onsetenvelope.h"
#include "syntheticaudio.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace {

beatfind::OnsetEnvelope analyse(const std::vector<float> &mono, int sampleRate)
{
    beatfind::OnsetAnalyser analyser(sampleRate);
    analyser.push(mono.data(), mono.size());
    return analyser.envelope();
}

} // namespace

class TestBeatfindHarmony : public QObject
{
    Q_OBJECT

private slots:
    void hearsChordPitchClasses_data();
    void hearsChordPitchClasses();
    void barsMarkTheBeat_data();
    void barsMarkTheBeat();
    void drumsAloneSayNothingAboutBars_data();
    void drumsAloneSayNothingAboutBars();
};

void TestBeatfindHarmony::hearsChordPitchClasses_data()
{
    QTest::addColumn<int>("rate");
    for (int rate : {44100, 48000, 22050, 8000, 96000})
        QTest::addRow("%d Hz", rate) << rate;
}

void TestBeatfindHarmony::hearsChordPitchClasses()
{
    QFETCH(int, rate);
    // The first bar of the accompaniment: a held C major triad with overtones.
    std::vector<float> song(static_cast<std::size_t>(4 * rate), 0.0f);
    synthetic::addChords(song, 50.0, rate);
    const beatfind::OnsetEnvelope envelope = analyse(song, rate);
    const std::size_t classes = beatfind::OnsetEnvelope::kPitchClasses;
    QVERIFY(envelope.chroma.size() >= 20 * classes);

    std::vector<double> energy(classes, 0.0);
    for (std::size_t i = 0; i < envelope.chroma.size(); ++i)
        energy[i % classes] += envelope.chroma[i];
    std::vector<int> order(classes);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return energy[a] > energy[b]; });
    const std::set<int> strongest(order.begin(), order.begin() + 3);
    bool majorTriad = false;
    for (int root : strongest)
        majorTriad = majorTriad || strongest == std::set<int>{root, (root + 4) % 12, (root + 7) % 12};
    QVERIFY2(majorTriad,
             qPrintable(QStringLiteral("strongest classes %1 %2 %3").arg(order[0]).arg(order[1]).arg(order[2])));
}

void TestBeatfindHarmony::barsMarkTheBeat_data()
{
    QTest::addColumn<double>("bpm");
    for (double bpm : {62.0, 90.0, 128.0, 170.0})
        QTest::addRow("%g BPM", bpm) << bpm;
}

void TestBeatfindHarmony::barsMarkTheBeat()
{
    QFETCH(double, bpm);
    const int rate = 44100;
    std::vector<float> song = synthetic::render(synthetic::backbeat(), bpm, 40.0, rate);
    synthetic::addChords(song, bpm, rate);
    const beatfind::HarmonicRhythm harmony = beatfind::harmonicRhythm(analyse(song, rate));
    QCOMPARE(harmony.pitchedness, 1.0);

    const double beat = beatfind::barEvidence(harmony, 60.0 / bpm);
    const double twiceAsFast = beatfind::barEvidence(harmony, 30.0 / bpm);
    const double halfAsFast = beatfind::barEvidence(harmony, 120.0 / bpm);
    const QString values = QStringLiteral("beat %1, double %2, half %3").arg(beat).arg(twiceAsFast).arg(halfAsFast);
    QVERIFY2(beat > twiceAsFast + 0.5 && beat > halfAsFast + 0.5, qPrintable(values));
}

void TestBeatfindHarmony::drumsAloneSayNothingAboutBars_data()
{
    QTest::addColumn<bool>("eighthHiHat");
    QTest::addColumn<double>("bpm");
    for (double bpm : {50.0, 123.0, 199.0})
        QTest::addRow("backbeat at %g", bpm) << false << bpm;
    for (double bpm : {96.0, 150.0})
        QTest::addRow("eighth hi-hat at %g", bpm) << true << bpm;
}

void TestBeatfindHarmony::drumsAloneSayNothingAboutBars()
{
    QFETCH(bool, eighthHiHat);
    QFETCH(double, bpm);
    const int rate = 44100;
    const synthetic::Pattern drums = eighthHiHat ? synthetic::backbeatWithEighthHiHat() : synthetic::backbeat();
    const beatfind::HarmonicRhythm harmony =
        beatfind::harmonicRhythm(analyse(synthetic::render(drums, bpm, 40.0, rate), rate));
    for (double beats : {0.5, 1.0, 2.0}) {
        const double evidence = beatfind::barEvidence(harmony, beats * 60.0 / bpm);
        QVERIFY2(std::fabs(evidence) < 0.1, qPrintable(QStringLiteral("%1 at %2 beats").arg(evidence).arg(beats)));
    }
}

QTEST_GUILESS_MAIN(TestBeatfindHarmony)
#include "tst_beatfindharmony.moc"
