#include "boundedrun.h"
#include "stoponsignals.h"
#include "testenvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Gone, or a zombie that nobody has looked at yet: either way it runs no more.
bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const char state = line.mid(line.lastIndexOf(')') + 2, 1).at(0);
    return state != 'Z' && state != 'X';
}

} // namespace

// The stop on a signal when the main thread never gets back to its event
// loop: stuck, here, in the open of a FIFO that nobody writes to, as a read
// of a song that became one would be.
class TestStopOnSignals : public QObject
{
    Q_OBJECT

private slots:
    void endsAProgramStuckInARead_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void endsAProgramStuckInARead()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath("song.mp3"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        constexpr int graceMs = 500;

        const BoundedRun run = runBounded(
            [&] {
                stopOnSignals([] {}, "stopped\n", graceMs);
                // A child such as the converter: a program of its own.
                const pid_t child = ::fork();
                if (child == 0) {
                    ::execlp("sleep", "sleep", "60", static_cast<char *>(nullptr));
                    ::_exit(127);
                }
                std::printf("%d\n", int(child));
                std::fflush(stdout);
                std::raise(signalNumber);
                ::open(fifo.constData(), O_RDONLY);
                return 0;
            },
            10000, qint64(1) << 30);

        QVERIFY2(run.exited && run.exitCode == 128 + signalNumber, qPrintable(run.describe()));
        QVERIFY2(run.elapsedMs < graceMs + 2000, qPrintable(run.describe()));
        QCOMPARE(run.err, QByteArray("stopped\n"));
        const qint64 child = run.out.trimmed().toLongLong();
        QVERIFY(child > 0);
        QVERIFY2(!isRunning(child), qPrintable(QString::number(child)));
    }
};

VELMORA_TEST_MAIN(TestStopOnSignals)
#include "tst_stoponsignals.moc"
