#include "boundedrun.h"

#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Resident size of a process in bytes, 0 when it cannot be read.
qint64 residentBytes(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

void drain(int fd, QByteArray *into)
{
    char buffer[65536];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    // Enough to judge the output; a runaway child must not fill the test's memory.
    if (got > 0 && into->size() < (1 << 20))
        into->append(buffer, got);
}

} // namespace

QString BoundedRun::describe() const
{
    return QStringLiteral("%1 after %2 ms, memory %3 MB, exit code %4; out: %5; err: %6")
        .arg(overTime         ? QStringLiteral("over time")
                 : overMemory ? QStringLiteral("over memory")
                              : QStringLiteral("ended"))
        .arg(elapsedMs)
        .arg(memoryBytes >> 20)
        .arg(exitCode)
        .arg(QString::fromLocal8Bit(out.left(400)), QString::fromLocal8Bit(err.left(400)));
}

namespace {

// baselineFromParent: the child's memory counts from the parent's resident
// size (it starts as a copy); an exec'd program counts from zero.
BoundedRun runChild(const std::function<int()> &work, qint64 timeLimitMs, qint64 memoryLimitBytes,
                    bool baselineFromParent)
{
    BoundedRun run;
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return run;
    std::cout.flush();
    std::fflush(nullptr);
    const qint64 baseline = baselineFromParent ? residentBytes(::getpid()) : 0;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        const int code = work();
        std::cout.flush();
        std::fflush(nullptr);
        ::_exit(code);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid < 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return run;
    }
    int status = 0;
    rusage usage{};
    for (;;) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        ::poll(fds, 2, 10);
        for (const pollfd &fd : fds) {
            if (fd.revents & (POLLIN | POLLHUP))
                drain(fd.fd, fd.fd == outPipe[0] ? &run.out : &run.err);
        }
        if (::wait4(pid, &status, WNOHANG, &usage) == pid)
            break;
        run.memoryBytes = qMax(run.memoryBytes, residentBytes(pid) - baseline);
        if (run.memoryBytes > memoryLimitBytes)
            run.overMemory = true;
        else if (clock.elapsed() > timeLimitMs)
            run.overTime = true;
        if (run.overMemory || run.overTime) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            break;
        }
    }
    run.elapsedMs = clock.elapsed();
    run.memoryBytes = qMax(run.memoryBytes, qint64(usage.ru_maxrss) * 1024 - baseline);
    for (int fd : {outPipe[0], errPipe[0]}) {
        pollfd pending{fd, POLLIN, 0};
        while (::poll(&pending, 1, 0) > 0 && (pending.revents & POLLIN)) {
            const qsizetype before = (fd == outPipe[0] ? run.out : run.err).size();
            drain(fd, fd == outPipe[0] ? &run.out : &run.err);
            if ((fd == outPipe[0] ? run.out : run.err).size() == before)
                break;
        }
        ::close(fd);
    }
    run.exited = !run.overTime && !run.overMemory && WIFEXITED(status);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

BoundedRun runBounded(const std::function<int()> &work, qint64 timeLimitMs, qint64 memoryLimitBytes)
{
    return runChild(work, timeLimitMs, memoryLimitBytes, true);
}

BoundedRun runProgramBounded(const QString &program, const QStringList &arguments, const QStringList &environment,
                             qint64 timeLimitMs, qint64 memoryLimitBytes)
{
    // Everything the child needs is prepared before the fork.
    std::vector<QByteArray> strings;
    strings.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        strings.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> settings;
    for (const QString &entry : environment)
        settings.push_back(entry.toLocal8Bit());
    return runChild(
        [&] {
            for (QByteArray &entry : settings)
                ::putenv(entry.data());
            ::execv(argv[0], argv.data());
            std::perror("execv");
            return 127;
        },
        timeLimitMs, memoryLimitBytes, false);
}
