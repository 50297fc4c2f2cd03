#include "outputcapture.h"

#include <QStringList>
#include <QTest>

#include <cstdio>
#include <iostream>
#include <stdlib.h>
#include <unistd.h>

OutputCapture::OutputCapture() : stdoutStream(redirect(STDOUT_FILENO)), stderrStream(redirect(STDERR_FILENO)) {}

OutputCapture::~OutputCapture()
{
    // Qt Test reports a failure on standard output, so a failure inside the
    // capture would vanish with it: hand what was captured back.
    const bool failed = QTest::currentTestFailed();
    const QString captured = failed ? contents(stdoutStream) : QString();
    restore(stdoutStream);
    restore(stderrStream);
    if (failed)
        std::fputs(captured.toLocal8Bit().constData(), stdout);
}

OutputCapture::Stream OutputCapture::redirect(int fd)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    char name[] = "/tmp/velmora-capture-XXXXXX";
    const int file = mkstemp(name);
    unlink(name);
    const int saved = dup(fd);
    dup2(file, fd);
    return {fd, saved, file};
}

QString OutputCapture::contents(const Stream &stream)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const off_t size = lseek(stream.file, 0, SEEK_END);
    QByteArray bytes(size, '\0');
    pread(stream.file, bytes.data(), size, 0);
    return QString::fromLocal8Bit(bytes);
}

// Qt Test logs its own warnings on standard output too; they are not the
// program's output.
QString OutputCapture::out()
{
    QStringList lines = contents(stdoutStream).split(QLatin1Char('\n'));
    lines.removeIf([](const QString &line) {
        return line.startsWith(QLatin1String("QWARN  : ")) || line.startsWith(QLatin1String("QDEBUG : "))
            || line.startsWith(QLatin1String("QINFO  : ")) || line.startsWith(QLatin1String("QSYSTEM: "));
    });
    return lines.join(QLatin1Char('\n'));
}
QString OutputCapture::err() { return contents(stderrStream); }

void OutputCapture::restore(const Stream &stream)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    dup2(stream.saved, stream.fd);
    close(stream.saved);
    close(stream.file);
}
