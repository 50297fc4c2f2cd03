#pragma once

#include <QString>

// One file's result on standard output. Text: "BPM<tab>ALTERNATIVE<tab>PATH",
// "-" for no alternative, so the columns stay put for cut and awk. CSV:
// "bpm,alternative,path" with the path quoted when it needs to be.
QString resultLine(int bpm, int alternative, const QString &path, bool csv);
// The line of a file reported with the BPM its tags hold: a result line
// with one more column at its end, "tagged", so scripts tell it apart.
QString taggedResultLine(int bpm, const QString &path, bool csv);
// With tagged lines to come, the header names their extra column "source".
QString csvHeader(bool withSource);

// A path on a line of text: as it is, unless it holds a line break (which
// would split the line) or starts with a double quote (which would look like
// the quoting): then in double quotes, with \n, \r, \" and \\ for a line
// feed, a carriage return, a quote and a backslash, as `ls --quoting-style=c`
// writes it.
QString shownPath(const QString &path);
