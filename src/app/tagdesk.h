#pragma once

#include "ui_tagdesk.h"
#include "analysis/analysisprograms.h"
#include "itunes/itunestrack.h"
#include "library/libraryfilereader.h"

#include <QList>
#include <QMainWindow>
#include <deque>
#include <memory>
#include <QProcess>
#include <QString>
#include <QStringList>

class DBelement;
class FolderScanJob;
struct FoundSong;
struct OpenRequest;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QPushButton;
struct ConversionReport;
class QTableWidgetItem;

// The one main window: the library table and every command of the program.
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
    void handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void handleUserWantCancel();
    void loadDOM();
    void fromMusicFolder();
    void processFolderScan();
    void cancelFolderImport();
    void whereItunesSongsAre();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Asks the save question of New File and Open File; false on Cancel.
    bool askToSaveBeforeLoading();
    void finishLoadingFile();
    void setFileTitle(const QString &fileName);

public:
    // --- unsaved changes and the library file read ---
    bool modified = false;
    bool loadingFile = false;
    LibraryFileReader fileReader;
    int fileElementIndex = 0;
    bool inFirstBatch = false;

    // --- iTunes import ---
    bool loadingItunes = false;
    bool itunesLoaded = false;
    // The tracks of the file being imported, applied a batch per step.
    QList<ItunesTrack> itunesTracks;
    qsizetype itunesTrackIndex = 0;
    // Rows whose records were dropped during the import; removed at its end.
    int itunesEmptiedRows = 0;
    void finishItunesImport();
    void abandonItunesImport();

    // --- music folder import ---
    std::unique_ptr<FolderScanJob> folderScan;
    std::deque<FoundSong> folderSongs;
    bool folderScanWholeSource = false;
    QPushButton *folderCancelButton = nullptr;
    // Folders and files waiting for a library file read to end.
    QStringList pendingMusicPaths;
    bool pendingWholeSource = false;
    void startPendingMusicImport();
    void finishFolderImport(bool cancelled);
    // The "iTunes" column says what it marks: iTunes, or the music folders
    // for a user without iTunes.
    void showMusicSourceColumn();

    // --- BPM analysis run ---
    // Stops a run under way: its child ends and its WAV file goes.
    void stopAnalysisRun();

    // The conversion step and the analyser; tests put stand-ins here.
    QString converterPath = defaultConverterPath();
    QString analyserPath = defaultAnalyserPath();
    // The warning comes before the first run of this window, and there is
    // one window per program run.
    bool haveWarned = false;
    bool analysisRunning = false;
    // The songs of the run by persistent ID, each looked up afresh whenever
    // it is used: New File, Open File and Merge may destroy records meanwhile.
    QStringList runIDs;
    int runIndex = 0;
    QString runID;
    QString songTitle;
    QProcess process;
    QString wavPath;
    bool scriptPhase = false;
    bool cancelRequested = false;
    QString songPath;
    bool itunesRootAsked = false;
    // Asks where a copied iTunes library's music folder lies here, when
    // songPath (as the library names it) lies under it; true once answered.
    bool askForItunesRoot(const QString &songPath);
    // Every selected song's file is known and present: no import needed.
    bool runFilesPresent();

private:
    void startConversion();
    void finishConversion(const ConversionReport &report);
    void finishAnalysis(const QString &bpmText);
    void handleProcessError(QProcess::ProcessError error);
    void passOverSong();
    void endRun();
    void showRunIdle();
    void removeWav();
    void showSongMessage(const QString &text);
    DBelement *runRecord();
};
