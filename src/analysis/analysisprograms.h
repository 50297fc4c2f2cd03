#pragma once

#include <QString>

class QProcess;

// Where a helper program of the BPM analysis lives, relative to the running
// executable: ../Resources in the build tree and the app bundle, or
// ../libexec/velmorasync in an installed tree; the first place that holds it.
// The window and velmora-bpm both find their programs through this.
QString analysisProgramPath(const QString &name);

// The two programs of the BPM analysis run. On macOS the conversion step is an
// AppleScript that iTunes carries out through the AppleScript runner;
// elsewhere it is pcmdump.
QString defaultConverterPath();
QString defaultAnalyserPath();

// Starts the conversion of one song to a WAV file.
void startConverter(QProcess &process, const QString &converterPath, const QString &songPath);
