#pragma once

#include "ui_tagdesk.h"
#include "analysis/analysispool.h"
#include "analysis/analysisprograms.h"
#include "app/activities.h"
#include "library/bpmlevel.h"
#include "tags/bpmtagqueue.h"

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QString>

class DBelement;
class QCloseEvent;
class QTableWidgetItem;

// The one main window: the library table and every command of the program.
// Its members are defined in one file per command group, each named after
// the class:
//   app/tagdesk.cpp              construction, wiring, Quit
//   app/tagdesk_file.cpp         New File, Open File, Save File, closing
//   app/tagdesk_load.cpp         reading a library file in steps
//   app/tagdesk_edit.cpp         Delete, the BPM range check, marking edits
//   itunes/tagdesk_itunes.cpp    From iTunes: the import in steps
//   itunes/tagdesk_merge.cpp     Merge
//   analysis/tagdesk_beatfind.cpp  BeatFind: the analysis run
//   app/tagdesk_writetags.cpp    Write BPM to Files, also after BeatFind
class Tagdesk : public QMainWindow, public Ui::tagdesk
{
    Q_OBJECT

public:
    explicit Tagdesk(QWidget *parent = nullptr);
    ~Tagdesk() override;

    void loadFile(const QString &fileName);
    int loadItunes();

    // Writes the library to fileName; false when it could not be written.
    bool writeLibrary(const QString &fileName);

    // A termination signal: unsaved changes go to a recovery copy, without a
    // question, and any analysis run stops.
    void quitOnSignal();
    // Asks whether to open the recovery copy a signal left behind; true when
    // there was one and a library is being read (the copy, or nothing because
    // a signal ended the question), false when the last file is to be read.
    bool offerRecoveryCopy();

signals:
    void loadItunesDone();
    void loadFileDone();

public slots:
    void quit();
    void bpmRangeCheck(QTableWidgetItem *item);
    void saveOn(QTableWidgetItem *item);
    void saveFile();
    void openFile();
    void deleteEdit();
    void mergeEdit();
    void from_iTunesSync();
    void newFile();
    void BeatFind();
    void doBeatFind();
    void doMerge();
    void processItunes();
    void handleUserWantCancel();
    void loadDOM();
    void doubleBpm();
    void halveBpm();
    void useAlternativeBpm();
    void bpmRange();
    void bpmEdited(const QPersistentModelIndex &cell);
    void writeBpmToFiles();

protected:
    void closeEvent(QCloseEvent *event) override;

public:
    // Unsaved changes: set by every command that changes the library.
    bool modified = false;
    // True once an import has run; BeatFind imports first otherwise.
    bool itunesLoaded = false;
    // The conversion step and the analyser; tests put stand-ins here.
    QString converterPath = defaultConverterPath();
    QString analyserPath = defaultAnalyserPath();
    // The warning comes before the first run of this window, and there is
    // one window per program run.
    bool haveWarned = false;
    // The children of the analysis run, a converter or an analyser per song
    // in hand.
    AnalysisPool pool;

    // Set once a termination signal has arrived.
    bool quittingOnSignal = false;

    LibraryFileRead fileRead;
    ItunesImport itunesImport;
    AnalysisRun run;
    // BPM tags being written into the songs' files.
    BpmTagQueue tagWrites;

    // Stops a run under way at once: its children end and their WAV files go.
    void stopAnalysisRun();

private:
    // file commands
    bool askToSaveBeforeLoading();
    // library file read
    void finishLoadingFile();
    // Remembers the file just read or written as the library's file.
    void rememberLibraryFile(const QString &fileName);
    // tempo level commands, and the user's own BPM edits, which settle the level
    void setUpLevelCommands();
    void changeLevel(LevelCommand command);
    // iTunes import
    void finishItunesImport();
    void abandonItunesImport();
    // analysis run
    QString chooseSong(int position);
    void releaseSong(int position, const SongJobResult &result);
    void applySongResult(const QString &id, const QString &title, const SongJobResult &result);
    void showRunProgress();
    void endRun();
    void showRunIdle();
    void showSongMessage(const QString &text, const QString &title);
    // writing BPM tags
    void setUpTagWriting();
    // Writes a song's new BPM into its file when the user asked for that.
    void writeBpmAfterBeatFind(DBelement &record);
    bool queueBpmWrite(DBelement &record);
    void showBpmFileDone(const BpmWriteRequest &request, const BpmWriteResult &result);
    void showBpmWritesDone(int written, int notWritten);
};
