#pragma once

#include "ui_tagdesk.h"
#include "analysis/analysisprograms.h"
#include "app/activities.h"

#include <QMainWindow>
#include <QProcess>
#include <QString>

class DBelement;
class QCloseEvent;
struct ConversionReport;
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
    // The child of the analysis run, converter or analyser.
    QProcess process;

    LibraryFileRead fileRead;
    ItunesImport itunesImport;
    AnalysisRun run;

    // Stops a run under way: its child ends and its WAV file goes.
    void stopAnalysisRun();

private:
    // file commands
    bool askToSaveBeforeLoading();
    // library file read
    void finishLoadingFile();
    // Remembers the file just read or written as the library's file.
    void rememberLibraryFile(const QString &fileName);
    // iTunes import
    void finishItunesImport();
    void abandonItunesImport();
    // analysis run
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
