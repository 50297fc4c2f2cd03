#pragma once

#include "ui_tagdesk.h"
#include "analysis/analysispool.h"
#include "analysis/analysisprograms.h"
#include "app/activities.h"
#include "library/bpmlevel.h"
#include "tags/bpmtagqueue.h"
#include "folders/folderimport.h"
#include "table/libraryfiltermodel.h"
#include "table/librarymodel.h"

#include <QMainWindow>
#include <QString>

class DBelement;
class SongHistory;
struct OpenRequest;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QPushButton;

// The one main window: the library table and every command of the program.
// Its members are defined in one file per command group, each named after
// the class, all in app/:
//   tagdesk.cpp              construction, wiring, Quit
//   tagdesk_file.cpp         New File, Open File, Save File, closing
//   tagdesk_load.cpp         reading a library file in steps
//   tagdesk_recovery.cpp     the recovery copy on a signal, and its offer at start-up
//   tagdesk_edit.cpp         Delete, the BPM range check, marking edits
//   tagdesk_level.cpp        Double, Halve, Use Alternative, x 3/2, x 2/3, BPM Range
//   tagdesk_lock.cpp         Lock BPM
//   tagdesk_itunes.cpp       From iTunes: the import in steps
//   tagdesk_merge.cpp        Merge
//   tagdesk_beatfind.cpp     BeatFind: the analysis run
//   tagdesk_writetags.cpp    Write BPM to Files, also after BeatFind
//   tagdesk_folders.cpp      From Music Folder: the folder import in steps
//   tagdesk_open.cpp         paths from the command line or dropped
//   tagdesk_itunesroot.cpp   where a copied iTunes library's songs are
//   tagdesk_filter.cpp       the filter bar
//   tagdesk_playlist.cpp     Export Playlist: the shown songs as an M3U8 file
//   tagdesk_lists.cpp        the Lists menu: saved filters, and their playlists
//   tagdesk_undo.cpp         Undo and Redo
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
    // question, and any analysis run stops. False when there were unsaved
    // changes and no recovery copy could be written.
    bool quitOnSignal();
    // Asks whether to open the recovery copy a signal left behind; true when
    // there was one and a library is being read (the copy, or nothing because
    // a signal ended the question), false when the last file is to be read.
    bool offerRecoveryCopy();
    // Imports the songs in music folders and audio files, as "From Music
    // Folder..." does. wholeSource: these are the remembered music folders,
    // the user's music source, whose import marks the "iTunes" flags afresh
    // and ends with loadItunesDone() as an iTunes import does.
    void importMusicPaths(const QStringList &paths, bool wholeSource);
    // Imports the user's music source: the iTunes library file when there is
    // one, else the remembered music folders. 0 when an import started or is
    // under way, -1 (after telling the user) when there is nothing to import.
    int importMusicSource();
    // Opens the library file, and imports the folders and files, that the
    // command line names or that are dropped on the window.
    void openPaths(const OpenRequest &request);

signals:
    void loadItunesDone();
    void loadFileDone();
    void folderImportDone();

public slots:
    void quit();
    // A BPM outside 50 to 200 (other than none) becomes none, with a warning.
    void bpmRangeCheck(const QList<const Song *> &songs);
    // A double-click on a BPM cell, which starts its editing, marks the library changed.
    void saveOn(const QModelIndex &index);
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
    void threeHalvesBpm();
    void twoThirdsBpm();
    // Locks the selected songs' BPMs, or unlocks them when all are locked.
    void lockBpm();
    void bpmRange();
    void bpmEdited(const std::string &key);
    void writeBpmToFiles();
    void fromMusicFolder();
    void processFolderScan();
    void cancelFolderImport();
    void whereItunesSongsAre();
    void exportPlaylist();
    void saveFilterAsList();
    void exportAllLists();
    void undoEdit();
    void redoEdit();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

public:
    // The library as the table shows it: every song, and the songs the
    // filter bar lets through, which the view shows.
    LibraryModel *libraryModel = nullptr;
    LibraryFilterModel *filterModel = nullptr;
    // Every change made in the window, a step each, for Undo and Redo.
    SongHistory *history = nullptr;
    // The keys of the selected songs, in the order of the selection; only
    // shown songs can be selected.
    std::vector<std::string> selectedSongKeys() const;
    // The keys of the songs the table shows, top to bottom.
    std::vector<std::string> shownSongKeys() const;

    // Saved lists: a name for a filter text, kept in the settings and shown in
    // the Lists menu. A list's songs are those its filter lets through now, in
    // the table's order.
    void saveList(const QString &name, const QString &filter);
    void removeList(const QString &name);
    std::vector<std::string> listSongKeys(const QString &name) const;
    // Writes each list's playlist into folder as "<name>.m3u8"; false, having
    // told the user, when one could not be written.
    bool exportListsInto(const QString &folder);

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
    FolderImport folderImport;
    // Shown in the status bar while a folder import runs.
    QPushButton *folderCancelButton = nullptr;
    QMenu *menuLists = nullptr;
    // "1,234 of 100,000 songs" in the status bar while the filter bar narrows the table.
    QLabel *filteredCount = nullptr;

    // Stops a run under way at once: its children end and their WAV files go.
    void stopAnalysisRun();

private:
    // file commands
    bool askToSaveBeforeLoading();
    // library file read
    void finishLoadingFile();
    // One message for the songs whose BPM a file read had to clear.
    void reportClearedBpms(const QString &fileName, int count, const QStringList &titles);
    // Remembers the file just read or written as the library's file.
    void rememberLibraryFile(const QString &fileName);
    // tempo level commands, and the user's own BPM edits, which settle the level
    void setUpLevelCommands();
    // name: the command's, for Undo.
    void changeLevel(LevelCommand command, const QString &name);
    // Lock BPM, checked while every selected song is locked.
    void setUpLocking();
    bool selectionLocked() const;
    void showSelectionLock();
    // "3 locked songs kept their BPM".
    static QString lockedKeptText(int count);
    // iTunes import
    void finishItunesImport();
    void abandonItunesImport();
    // folder import
    void startPendingMusicImport();
    void finishFolderImport(bool cancelled);
    // The "iTunes" column says what it marks: iTunes, or the music folders
    // for a user without iTunes.
    void showMusicSourceColumn();
    // analysis run
    QString chooseSong(int position);
    void releaseSong(int position, const SongJobResult &result);
    void applySongResult(const QString &id, const QString &title, const SongJobResult &result);
    void showRunProgress();
    // Every selected song's file is known and present: no import needed.
    bool runFilesPresent();
    // Asks where a copied iTunes library's music folder lies here, when
    // songPath (as the library names it) lies under it; true once answered.
    bool askForItunesRoot(const QString &songPath);
    void endRun();
    // The run's changes are one step of the history, from its first song on.
    void endRunStep();
    void showRunIdle();
    void showSongMessage(const QString &text, const QString &title);
    // the filter bar, and the lists saved from it
    void setUpFilterBar();
    void setUpLists();
    void showLists();
    void exportList(const QString &name);
    // Writes the songs as an M3U8 playlist; summary is the status text, or
    // why it could not be written.
    bool writePlaylist(const QString &fileName, const std::vector<std::string> &keys, QString *summary);
    void showFilteredCount();
    // Undo and Redo, enabled and named after the steps they would take.
    void setUpHistory();
    void showHistory();
    // Undoes (back) or redoes one step.
    void takeHistoryStep(bool back);
    // writing BPM tags
    void setUpTagWriting();
    // Writes a song's new BPM into its file when the user asked for that.
    void writeBpmAfterBeatFind(const DBelement &record);
    bool queueBpmWrite(const DBelement &record);
    void showBpmFileDone(const BpmWriteRequest &request, const BpmWriteResult &result);
    void showBpmWritesDone(int written, int notWritten);
};
