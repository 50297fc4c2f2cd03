#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/songhistory.h"
#include "library/songstore.h"
#include "library/libraryfile.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>

bool Tagdesk::askToSaveBeforeLoading()
{
    if (libraryModel->rowCount() == 0 || !modified)
        return true;
    const auto answer = QMessageBox::question(nullptr, tr("Save"), tr("Do you want to Save before loading new file?"),
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        saveFile();
    return true;
}

void Tagdesk::newFile()
{
    if (!askToSaveBeforeLoading())
        return;
    modified = false;
    SongStore::library().clear();
    history->markSaved();
    setWindowTitle(QStringLiteral("VelmoraSync"));
}

void Tagdesk::openFile()
{
    std::fputs("openFile pressed\n", stdout);
    if (!askToSaveBeforeLoading())
        return;
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Open File"), QDir::currentPath(), tr("TGD files (*.tgd)"));
    if (fileName.isEmpty())
        return;
    modified = false;
    loadFile(fileName);
}

void Tagdesk::saveFile()
{
    const QString filter = tr("TGD files (*.tgd)");
    const QString start = currentFileName.isEmpty() ? QDir::currentPath() : currentFileName;
    QString fileName = QFileDialog::getSaveFileName(this, tr("Save to File"), start, filter);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty()) {
        fileName += QStringLiteral(".tgd");
        const QFileInfo completed(fileName);
        if (completed.isDir()) {
            QMessageBox::critical(nullptr, tr("Directory selected"), tr("File \"%1\" is a directory").arg(fileName),
                                  QMessageBox::Ok);
            return;
        }
        if (completed.exists()
            && QMessageBox::question(nullptr, tr("File exists"),
                                     tr("The file \"%1\" already exists.\nDo you want to overwrite it?").arg(fileName),
                                     QMessageBox::Ok | QMessageBox::Cancel)
                != QMessageBox::Ok)
            return;
    }
    writeLibrary(fileName);
}

bool Tagdesk::writeLibrary(const QString &fileName)
{
    QString error;
    if (!saveLibraryFile(fileName, &error)) {
        std::fputs("QVX could not open writetest.gip\n", stdout);
        std::fflush(stdout);
        QMessageBox::critical(nullptr, tr("Save"),
                              tr("The library could not be saved to \"%1\": %2").arg(fileName, error), QMessageBox::Ok);
        return false;
    }
    modified = false;
    history->markSaved();
    rememberLibraryFile(fileName);
    return true;
}

void Tagdesk::closeEvent(QCloseEvent *event)
{
    if (!modified) {
        stopAnalysisRun();
        event->accept();
        return;
    }
    const auto answer = QMessageBox::question(nullptr, tr("Save"), tr("Do you want to Save before quiting?"),
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
        event->ignore();
        return;
    }
    if (answer != QMessageBox::No) {
        std::fputs("save dialog needed\n", stderr);
        saveFile();
    }
    stopAnalysisRun();
    event->accept();
}
