#include "boundedrun.h"
#include "library/libraryfilereader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Generous: a sound reader takes a small fraction of either.
constexpr qint64 timeCapMs = 10000;
constexpr qint64 memoryCapBytes = qint64(300) << 20;

// Reads a library file as start-up and Open File do, in a child process, and
// prints how that ended.
int readLibrary(const QString &path)
{
    LibraryFileReader reader;
    QString refusal;
    if (!reader.open(path, &refusal)) {
        std::printf("refused: %s\n", qPrintable(refusal));
        return 0;
    }
    LibraryFileReader::ParseError error;
    if (!reader.parse(&error)) {
        std::printf("malformed: %s\n", qPrintable(error.message));
        return 0;
    }
    int elements = 0;
    LibraryNode node;
    while (reader.next(&node))
        elements += node.isElement ? 1 : 0;
    std::printf("elements: %d\n", elements);
    return 0;
}

QByteArray elementWithAttributes(int count)
{
    QByteArray xml = "<TAGDESK version=\"100\"><Element_Data persistentID=\"1\"";
    for (int i = 0; i < count; ++i)
        xml += " a" + QByteArray::number(i) + "=\"x\"";
    return xml + "/></TAGDESK>";
}

QByteArray elementWithTitleOf(qint64 bytes)
{
    return "<TAGDESK version=\"100\"><Element_Data persistentID=\"1\" title=\"" + QByteArray(bytes, 'x')
        + "\"/></TAGDESK>";
}

} // namespace

class TestHostileLibraryFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return file.fileName();
    }

private slots:
    void readsWithinBounds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("outcome");

        const QString fifo = dir.filePath("fifo.tgd");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO") << fifo << "refused: it is not a regular file";
        QTest::newRow("/dev/zero") << "/dev/zero"
                                   << "refused: it is not a regular file";
        QTest::newRow("directory") << dir.path() << "refused: it is not a regular file";

        // Never read: the size alone refuses it (a sparse file takes no disk space).
        QFile huge(dir.filePath("huge.tgd"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize((qint64(1) << 30) + 1));
        QTest::newRow("over 1 GiB") << huge.fileName() << "refused: it is larger than 1 GiB";

        QTest::newRow("100,000 attributes") << write("attributes.tgd", elementWithAttributes(100000))
                                            << "refused: it holds an element with more than 64 attributes";
        QTest::newRow("64 attributes") << write("attributes64.tgd", elementWithAttributes(63)) << "elements: 1";
        // A value the program itself may write (a long phone field, escaped) reads back.
        QTest::newRow("2 MiB attribute") << write("title2.tgd", elementWithTitleOf(qint64(2) << 20)) << "elements: 1";
        QTest::newRow("17 MiB attribute") << write("title17.tgd", elementWithTitleOf(qint64(17) << 20))
                                          << "refused: it holds a value of more than 16 MiB";
        QTest::newRow("17 MiB of text") << write("text.tgd",
                                                 "<TAGDESK>" + QByteArray(qint64(17) << 20, 'x') + "</TAGDESK>")
                                        << "refused: it holds a value of more than 16 MiB";
        // Markup that looks like attributes inside comments, CDATA and values counts for nothing.
        QTest::newRow("equals signs outside tags")
            << write("equals.tgd",
                     "<?pi a=1 b=2?><TAGDESK version=\"100\"><!-- " + QByteArray(100, '=') + " -->"
                         + "<Element_Data title='" + QByteArray(100, '=') + " >'/><![CDATA[" + QByteArray(100, '=')
                         + "]]>" + QByteArray(100, '=') + "</TAGDESK>")
            << "elements: 1";
    }
    void readsWithinBounds()
    {
        QFETCH(QString, path);
        QFETCH(QString, outcome);
        QVERIFY(!path.isEmpty());
        const BoundedRun run = runBounded([&] { return readLibrary(path); }, timeCapMs, memoryCapBytes);
        QVERIFY2(run.exited, qPrintable(run.describe()));
        QVERIFY2(QString::fromUtf8(run.out).startsWith(outcome), qPrintable(run.describe()));
    }
};

QTEST_GUILESS_MAIN(TestHostileLibraryFiles)
#include "tst_hostilelibraryfiles.moc"
