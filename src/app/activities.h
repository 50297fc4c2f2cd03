#pragma once

#include "itunes/itunestrack.h"
#include "library/libraryfilereader.h"

#include <QList>
#include <QString>
#include <QHash>
#include <QStringList>

// The state of the window's long-running activities. Each one runs in steps
// from the event loop; its state lives here, together, and a new run starts
// from a reset value, so no field can be left over from the last one.

// Reading a library file: the records go into the table 20 nodes per step.
struct LibraryFileRead
{
    bool loadingFile = false;
    LibraryFileReader fileReader;
    // Index of the next root child node to apply.
    int fileElementIndex = 0;
    // The first batch runs inside loadFile itself, one batch and no more.
    bool inFirstBatch = false;
    QString fileName;
    // Songs whose BPM in the file was outside 50 to 200: how many, and the
    // titles of the first few, for one message after the read.
    int bpmsCleared = 0;
    QStringList bpmClearedTitles;

    // The reader holds a stream reader, which cannot be assigned afresh.
    void reset()
    {
        loadingFile = false;
        fileReader.clear();
        fileElementIndex = 0;
        inFirstBatch = false;
        fileName.clear();
        bpmsCleared = 0;
        bpmClearedTitles.clear();
    }
};

// Importing the iTunes library: the tracks are read at once, then applied a
// batch per step.
struct ItunesImport
{
    bool loadingItunes = false;
    QList<ItunesTrack> itunesTracks;
    qsizetype itunesTrackIndex = 0;

    void reset() { *this = ItunesImport(); }
};

// A BeatFind run: up to analysisJobs songs converted and analysed at once,
// their results applied in the order of the selection. Songs are held by
// persistent ID and looked up afresh whenever they are used: New File, Open
// File and Merge may destroy records meanwhile.
struct AnalysisRun
{
    // What the run learnt of a song when it chose it, kept until its result
    // is applied in its turn.
    struct Song
    {
        QString title;
        QString songPath;
        // The song was looked up and its file path written out.
        bool processing = false;
        // Why it was passed over without being analysed; empty otherwise.
        QString message;
    };

    bool analysisRunning = false;
    QStringList runIDs;
    QHash<int, Song> songs;
    bool cancelRequested = false;
    // The user has been asked where a copied iTunes library's songs are.
    bool itunesRootAsked = false;
    // Songs passed over because their BPM is locked.
    int lockedKept = 0;
    // The run's step of the history is open.
    bool inHistoryStep = false;

    void reset() { *this = AnalysisRun(); }
};
