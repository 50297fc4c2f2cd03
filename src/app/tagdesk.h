#pragma once

#include "ui_tagdesk.h"
#include "library/libraryfilereader.h"

#include <QList>
#include <QMainWindow>
#include <QProcess>
#include <QString>

class QCloseEvent;
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

protected:
    void closeEvent(QCloseEvent *event) override;

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

    // --- BPM analysis run ---
    int locationPrefixLength = 11;
    int runIndex = 0;
    char lineBuffer[1024] = {};
    QProcess process;
    QString wavPath;
    bool scriptPhase = false;
    bool cancelRequested = false;
    QString songPath;
    QList<QTableWidgetItem *> runItems;
    QTableWidgetItem *runItem = nullptr;
};
