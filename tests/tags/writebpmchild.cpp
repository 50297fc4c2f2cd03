// Writes a BPM into each file named on the command line, one line per file:
// "written" or the reason it was not. Tests run it as a child process so that
// they can kill it mid-write or give it a disk of its own.
#include "tags/bpmtagwriter.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 2) {
        std::fputs("usage: writebpmchild BPM FILE...\n", stderr);
        return 2;
    }
    const int bpm = arguments.takeFirst().toInt();
    int failures = 0;
    for (const QString &file : arguments) {
        const BpmWriteResult result = writeBpmTag(file, bpm);
        std::printf("%s\n", result.written() ? "written" : qPrintable(result.reason));
        std::fflush(stdout);
        failures += result.written() ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
