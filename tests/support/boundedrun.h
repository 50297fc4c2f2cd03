#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// The outcome of work run in a child process under a time and a memory cap,
// so that a test of hostile input neither hangs nor exhausts the machine when
// the code under test regresses: the child is killed when it passes a cap.
struct BoundedRun
{
    bool overTime = false;
    bool overMemory = false;
    bool exited = false; // ended by itself, with exitCode
    int exitCode = -1;
    qint64 elapsedMs = 0;
    // Peak resident size: of a program, or for work, beyond the parent's at the fork.
    qint64 memoryBytes = 0;
    QByteArray out;
    QByteArray err;

    // For a failure message.
    QString describe() const;
};

// Runs work in a forked child (its return value is the exit code; what it
// prints to standard output and error is collected).
BoundedRun runBounded(const std::function<int()> &work, qint64 timeLimitMs, qint64 memoryLimitBytes);

// Runs a program with extra environment entries ("NAME=value") the same way.
BoundedRun runProgramBounded(const QString &program, const QStringList &arguments, const QStringList &environment,
                             qint64 timeLimitMs, qint64 memoryLimitBytes);
