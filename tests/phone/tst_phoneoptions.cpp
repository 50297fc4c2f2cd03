// The phone tool's inputs: command lines, raw hex and song files.
#include "phoneoptions.h"
#include "songfile.h"

#include <QTemporaryDir>
#include <QTest>

class TestPhoneOptions : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString songFile(const QByteArray &contents)
    {
        static int count = 0;
        const QString path = dir.filePath(QStringLiteral("songs%1.tsv").arg(++count));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            return {};
        return path;
    }

private slots:
    void stepsKeepTheirOrderAndWantComesLast()
    {
        PhoneOptions options;
        QString error;
        QVERIFY(parsePhoneOptions({"sync", "10.0.0.2", "--want", "--raw", "07 00 00 00", "--pause", "250", "--version",
                                   "3", "--songs", "a.tsv", "--folder", "Music", "--timeout", "1.5"},
                                  &options, &error));
        QCOMPARE(options.command, PhoneOptions::Sync);
        QCOMPARE(options.host, QStringLiteral("10.0.0.2"));
        QVERIFY(options.wantBpms);
        QCOMPARE(options.timeoutMs, 1500);
        QCOMPARE(int(options.steps.size()), 5);
        QCOMPARE(options.steps[0].kind, PhoneStep::Raw);
        QCOMPARE(options.steps[0].bytes, QByteArray::fromHex("07000000"));
        QCOMPARE(options.steps[1].kind, PhoneStep::Pause);
        QCOMPARE(options.steps[1].number, 250);
        QCOMPARE(options.steps[2].kind, PhoneStep::Version);
        QCOMPARE(options.steps[2].number, 3);
        QCOMPARE(options.steps[3].kind, PhoneStep::Songs);
        QCOMPARE(options.steps[3].path, QStringLiteral("a.tsv"));
        QCOMPARE(options.steps[4].kind, PhoneStep::Folder);
        QCOMPARE(options.steps[4].path, QStringLiteral("Music"));
    }

    void refusesBadCommandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("sync without host") << QStringList{"sync", "--want"};
        QTest::newRow("odd hex") << QStringList{"sync", "h", "--raw", "123"};
        QTest::newRow("not hex") << QStringList{"sync", "h", "--raw", "zz"};
        QTest::newRow("signed hex") << QStringList{"sync", "h", "--raw", "+1"};
        QTest::newRow("endless pause") << QStringList{"sync", "h", "--pause", "3600000"};
        QTest::newRow("no time-out") << QStringList{"listen", "--timeout", "0"};
        QTest::newRow("missing value") << QStringList{"sync", "h", "--songs"};
        QTest::newRow("missing folder") << QStringList{"sync", "h", "--folder"};
        QTest::newRow("listen sends nothing") << QStringList{"listen", "--raw", "00"};
    }
    void refusesBadCommandLines()
    {
        QFETCH(QStringList, arguments);
        PhoneOptions options;
        QString error;
        QVERIFY(!parsePhoneOptions(arguments, &options, &error));
        QVERIFY(!error.isEmpty());
    }

    void songFileColumnsFollowTheHeader()
    {
        const QString path = songFile("BPM\tPersistentID\tTitle\tOnDevice\r\n"
                                      "120\t123\tA\t1\r\n"
                                      "\n"
                                      "99.5\t7\tÜber\n"
                                      "\t8\n");
        std::vector<wire::MusicPassFields> songs;
        QString error;
        QVERIFY2(readSongFile(path, &songs, &error), qPrintable(error));
        QCOMPARE(int(songs.size()), 3);
        const wire::MusicPassFields first{"123", "", "A", "", "", "", "", "", "120", "1"};
        QVERIFY(songs[0] == first);
        QCOMPARE(QString::fromStdString(songs[1][wire::Title]), QStringLiteral("Über"));
        QCOMPARE(songs[1][wire::OnDevice], std::string());
        QCOMPARE(songs[2][wire::PersistentID], std::string("8"));
        QCOMPARE(songs[2][wire::BPM], std::string());
    }

    void refusesBadSongFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("unknown column") << QByteArray("PersistentID\tTempo\n1\t2\n");
        QTest::newRow("repeated column") << QByteArray("Title\tTitle\nA\tB\n");
        QTest::newRow("more values than columns") << QByteArray("PersistentID\tTitle\n1\tA\tB\n");
    }
    void refusesBadSongFiles()
    {
        QFETCH(QByteArray, contents);
        std::vector<wire::MusicPassFields> songs;
        QString error;
        QVERIFY(!readSongFile(songFile(contents), &songs, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!readSongFile(dir.filePath("absent.tsv"), &songs, &error));
    }
};

QTEST_GUILESS_MAIN(TestPhoneOptions)
#include "tst_phoneoptions.moc"
