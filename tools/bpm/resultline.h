#pragma once

#include <QString>

// One file's result on standard output. Text: "BPM<tab>ALTERNATIVE<tab>PATH",
// "-" for no alternative, so the columns stay put for cut and awk. CSV:
// "bpm,alternative,path" with the path quoted when it needs to be.
QString resultLine(int bpm, int alternative, const QString &path, bool csv);
QString csvHeader();
