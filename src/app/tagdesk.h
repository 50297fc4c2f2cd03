#pragma once

#include "ui_tagdesk.h"
#include "analysis/analysisprograms.h"
#include "itunes/itunestrack.h"
#include "library/bpmlevel.h"
#include "library/libraryfilereader.h"

#include <QList>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QProcess>
#include <QString>
#include <QStringList>

class DBelement;
class QCloseEvent;
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
    void handleProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void handleUserWantCancel();
    void loadDOM();
    void doubleBpm();
    void halveBpm();
    void useAlternativeBpm();
    void bpmRange();
    void bpmEdited(const QPersistentModelIndex &cell);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Asks the save question of New File and Open File; false on Cancel.
    bool askToSaveBeforeLoading();
    void finishLoadingFile();
    void setFileTitle(const QString &fileName);
    // The Edit commands that fix a song's tempo level, and the user's own
    // BPM edits, which settle it.
    void setUpLevelCommands();
    void changeLevel(LevelCommand command);

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

private:
    void startConversion();
    void finishConversion(const ConversionReport &report);
    void finishAnalysis(const QList<QByteArray> &output);
    void handleProcessError(QProcess::ProcessError error);
    void passOverSong();
    void endRun();
    void showRunIdle();
    void removeWav();
    void showSongMessage(const QString &text);
    DBelement *runRecord();
};
