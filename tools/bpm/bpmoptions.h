#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// What velmora-bpm was asked to do.
struct BpmOptions
{
    int jobs = 1;
    bool writeTags = false;
    bool csv = false;
    // Files whose tags hold a BPM are reported with it, not analysed.
    bool skipTagged = false;
    // The preferred tempo range, both ends whole and included; 0 when none
    // was given.
    int rangeLow = 0;
    int rangeHigh = 0;
    QStringList paths;
};

// Reads the command line; --help and --version print and exit here. An
// option or a value that makes no sense sets error and nothing is analysed:
// a batch run with the wrong settings would waste hours.
BpmOptions parseBpmOptions(const QStringList &arguments, QString *error);

// The most jobs -j accepts: each holds two processes and a WAV file.
constexpr int maxBpmJobs = 256;
