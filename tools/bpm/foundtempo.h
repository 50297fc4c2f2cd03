#pragma once

#include <QByteArray>
#include <QList>

// What velmora-bpm reports for a file: the analyser's tempo and the
// runner-up it names on an "Alternative: " line when unsure of the level,
// as whole BPMs from 50 to 200; 0 stands for none. With a preferred range
// (low > 0), a tempo outside it is doubled or halved into it when that lands
// inside, and the tempo found becomes the alternative.
struct FoundTempo
{
    int bpm = 0;
    int alternative = 0;
};
FoundTempo foundTempo(const QList<QByteArray> &analyserPieces, int rangeLow, int rangeHigh);
