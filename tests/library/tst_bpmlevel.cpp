#include "library/bpmlevel.h"
#include "library/bpmrange.h"
#include "testenvironment.h"

#include <QSettings>

Q_DECLARE_METATYPE(LevelCommand)

class TestBpmLevel : public QObject
{
    Q_OBJECT

private slots:
    void levelChange_data()
    {
        QTest::addColumn<LevelCommand>("command");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<int>("alternative");
        QTest::addColumn<bool>("applies");
        QTest::addColumn<int>("newBpm");
        QTest::addColumn<int>("newAlternative");
        const LevelCommand twice = LevelCommand::Double;
        const LevelCommand half = LevelCommand::Halve;
        const LevelCommand use = LevelCommand::UseAlternative;
        QTest::newRow("double") << twice << 63 << 0 << true << 126 << 0;
        QTest::newRow("double settles the level") << twice << 63 << 126 << true << 126 << 0;
        QTest::newRow("double to the upper end") << twice << 100 << 0 << true << 200 << 0;
        QTest::newRow("double beyond the upper end") << twice << 101 << 0 << false << 0 << 0;
        QTest::newRow("double the lowest") << twice << 50 << 0 << true << 100 << 0;
        QTest::newRow("double no BPM") << twice << 0 << 0 << false << 0 << 0;
        QTest::newRow("halve") << half << 172 << 0 << true << 86 << 0;
        QTest::newRow("halve odd truncates") << half << 125 << 0 << true << 62 << 0;
        QTest::newRow("halve to the lower end") << half << 100 << 0 << true << 50 << 0;
        QTest::newRow("halve to the lower end from odd") << half << 101 << 0 << true << 50 << 0;
        QTest::newRow("halve below the lower end") << half << 99 << 0 << false << 0 << 0;
        QTest::newRow("halve the highest") << half << 200 << 0 << true << 100 << 0;
        QTest::newRow("halve no BPM") << half << 0 << 0 << false << 0 << 0;
        QTest::newRow("halve a BPM out of range") << half << 250 << 0 << false << 0 << 0;
        QTest::newRow("use swaps") << use << 63 << 127 << true << 127 << 63;
        QTest::newRow("use at the range ends") << use << 200 << 50 << true << 50 << 200;
        QTest::newRow("use without an Alternative") << use << 120 << 0 << false << 0 << 0;
        QTest::newRow("use beside no BPM leaves none behind") << use << 0 << 90 << true << 90 << 0;
        QTest::newRow("use an Alternative out of range") << use << 120 << 240 << false << 0 << 0;
    }
    void levelChange()
    {
        QFETCH(LevelCommand, command);
        QFETCH(int, bpm);
        QFETCH(int, alternative);
        QFETCH(bool, applies);
        QFETCH(int, newBpm);
        QFETCH(int, newAlternative);
        const std::optional<BpmLevels> changed = ::levelChange(command, {bpm, alternative});
        QCOMPARE(changed.has_value(), applies);
        if (applies)
            QCOMPARE(*changed, (BpmLevels{newBpm, newAlternative}));
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
