#pragma once

#include <QString>

class QProcess;

// The two programs of the BPM analysis run, found beside the executable in
// ../Resources. On macOS the conversion step is an AppleScript that iTunes
// carries out through the AppleScript runner; elsewhere it is pcmdump.
QString defaultConverterPath();
QString defaultAnalyserPath();

// Starts the conversion of one song to a WAV file.
void startConverter(QProcess &process, const QString &converterPath, const QString &songPath);
