#include "testenvironment.h"
#include "library/itunesrules.h"

#include <QtTest>

class TestItunesRules : public QObject
{
    Q_OBJECT

private slots:
    void persistentID_data();
    void persistentID();
    void kind_data();
    void kind();
    void bpm_data();
    void bpm();
    void location_data();
    void location();
};

void TestItunesRules::persistentID_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("key");
    QTest::newRow("small") << "00000000000000FF"
                           << "255";
    QTest::newRow("lower case") << "00000000000000ff"
                                << "255";
    QTest::newRow("all bits") << "FFFFFFFFFFFFFFFF"
                              << "-1";
    QTest::newRow("2^63") << "8000000000000000"
                          << "-9223372036854775808";
    QTest::newRow("2^63 - 1") << "7FFFFFFFFFFFFFFF"
                              << "9223372036854775807";
    QTest::newRow("real") << "DAA2333E52D5B300"
                          << "-2692533284443409664";
    QTest::newRow("junk") << "XYZ"
                          << "0";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("over 64 bits") << "1FFFFFFFFFFFFFFFF"
                                  << "0";
}

void TestItunesRules::persistentID()
{
    QFETCH(QString, hex);
    QFETCH(QString, key);
    QCOMPARE(persistentIDFromHex(hex), key);
}

void TestItunesRules::kind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<bool>("isProtected");
    QTest::newRow("mpeg") << "MPEG audio file" << true << false;
    QTest::newRow("protected aac") << "Protected AAC audio file" << true << true;
    QTest::newRow("mixed case") << "pROTECTED aac AUDIO FILE" << true << true;
    QTest::newRow("purchased") << "Purchased AAC audio file" << true << false;
    QTest::newRow("video") << "MPEG-4 video file" << false << false;
    QTest::newRow("protected video") << "Protected MPEG-4 video file" << false << true;
    QTest::newRow("audio without file") << "Internet audio stream" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void TestItunesRules::kind()
{
    QFETCH(QString, kind);
    QFETCH(bool, audio);
    QFETCH(bool, isProtected);
    QCOMPARE(kindIsAudioFile(kind), audio);
    QCOMPARE(kindIsProtected(kind), isProtected);
}

void TestItunesRules::bpm_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("itunes");
    QTest::addColumn<bool>("taken");
    QTest::newRow("49") << 0 << false << "49" << false;
    QTest::newRow("50") << 0 << false << "50" << true;
    QTest::newRow("122") << 0 << false << "122" << true;
    QTest::newRow("200") << 0 << false << "200" << true;
    QTest::newRow("201") << 0 << false << "201" << false;
    QTest::newRow("200.5") << 0 << false << "200.5" << false;
    QTest::newRow("49.9") << 0 << false << "49.9" << false;
    QTest::newRow("not a number") << 0 << false << "fast" << false;
    QTest::newRow("existing bpm kept") << 95 << false << "122" << false;
    QTest::newRow("negative bpm replaced") << -3 << false << "122" << true;
    QTest::newRow("locked without a BPM") << 0 << true << "122" << false;
    QTest::newRow("locked BPM kept") << 95 << true << "122" << false;
}

void TestItunesRules::bpm()
{
    QFETCH(int, current);
    QFETCH(bool, locked);
    QFETCH(QString, itunes);
    QFETCH(bool, taken);
    QCOMPARE(takesItunesBpm(current, locked, itunes), taken);
}

void TestItunesRules::location_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("path");
    QTest::newRow("localhost") << "file://localhost/Users/a%20b/x.mp3"
                               << "//localhost/Users/a b/x.mp3";
    QTest::newRow("no host") << "file:///Users/a%20b/x.mp3"
                             << "/Users/a b/x.mp3";
    QTest::newRow("drive letter") << "file://localhost/C:/Users/Ryan/01%20Intro.m4p"
                                  << "//localhost/C:/Users/Ryan/01 Intro.m4p";
    QTest::newRow("drive letter, no host") << "file:///G:/Music/x.mp3"
                                           << "/G:/Music/x.mp3";
    QTest::newRow("utf-8") << "file:///Music/02%20%E2%9D%A6%20(Ripe%20&%20Ruin).mp3"
                           << QString::fromUtf8("/Music/02 \u2766 (Ripe & Ruin).mp3");
    QTest::newRow("not a file url") << "http://example.com/x.mp3"
                                    << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestItunesRules::location()
{
    QFETCH(QString, url);
    QFETCH(QString, path);
    QCOMPARE(locationPath(url), path);
}

VELMORA_TEST_MAIN(TestItunesRules)
#include "tst_itunesrules.moc"
