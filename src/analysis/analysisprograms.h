#pragma once

#include <QString>

class QProcess;

// Where a helper program lives, seen from the directory of the running
// executable: an installed tree keeps helpers in ../libexec/velmorasync, the
// build tree (and a macOS bundle) in ../Resources. The first place that holds
// an executable of that name wins; with neither, the ../Resources path is
// returned, so a failure names the place the program has always looked.
QString analysisProgramPath(const QString &name, const QString &programDir);
// The same, from the directory of this process's executable: the window and
// velmora-bpm both find their programs through this.
QString analysisProgramPath(const QString &name);

// The two programs of the BPM analysis run. On macOS the conversion step is
// an AppleScript that iTunes carries out through the AppleScript runner;
// elsewhere it is pcmdump.
QString defaultConverterPath();
QString defaultAnalyserPath();

// Starts the conversion of one song to a WAV file.
void startConverter(QProcess &process, const QString &converterPath, const QString &songPath);
