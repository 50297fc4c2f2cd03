#include "tags/tagbpmtext.h"

#include <QTest>

#include <climits>

class TestTagBpmText : public QObject
{
    Q_OBJECT

private slots:
    void readsATagsBpm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bpm");
        QTest::newRow("whole") << "120" << 120;
        QTest::newRow("decimal comma") << "120,5" << 121;
        QTest::newRow("rounds up") << "120.9" << 121;
        QTest::newRow("rounds down") << "120.4" << 120;
        QTest::newRow("spaces around") << " 128 " << 128;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("words") << "abc" << 0;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("exponent") << "1e9" << 1000000000;
        QTest::newRow("huge") << "1e30" << INT_MAX;
        QTest::newRow("huge negative") << "-1e30" << INT_MIN;
        QTest::newRow("infinite") << "inf" << INT_MAX;
        QTest::newRow("not a number") << "nan" << 0;
    }
    void readsATagsBpm()
    {
        QFETCH(QString, text);
        QFETCH(int, bpm);
        QCOMPARE(bpmFromTagText(text), bpm);
    }
};

QTEST_GUILESS_MAIN(TestTagBpmText)
#include "tst_tagbpmtext.moc"
