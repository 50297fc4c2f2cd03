#pragma once

#include <QImage>

// The padlock drawn in the cell of a locked BPM.
const QImage &lockMark();
