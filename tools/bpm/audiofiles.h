#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One line of the batch: a file to analyse, or why a path given gives none.
struct BatchEntry
{
    QString path;
    QString problem;
    // The BPM its tags hold, when that is reported instead of an analysis.
    int taggedBpm = 0;
};

// The files the paths name, in the order given; a folder gives the audio
// files under it, sorted by path. A path that gives nothing to analyse (it is
// missing, unreadable, no regular file, or a folder without audio) is one
// entry with its problem.
QList<BatchEntry> batchEntries(const QStringList &paths);

// Why the file at path cannot be analysed now, empty when it can: only a
// regular file that can be read is. Asked again just before the file's turn,
// as it may have become something else since the run began.
QString fileProblem(const QString &path);

// Whether a file name ends in one of the audio kinds the converter reads.
bool hasAudioSuffix(const QString &fileName);
