#pragma once

#include <QVariant>

// How many songs a BeatFind run analyses at once: the settings value
// "analysisJobs" when it is a whole number from 1 to 64, else the number of
// cores. Each song in hand holds two processes in turn and a WAV file.
int analysisJobCount(const QVariant &setting);
int analysisJobCount();
