#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/recoverycopy.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <cstdio>

void Tagdesk::quitOnSignal()
{
    quittingOnSignal = true;
    // Nobody may be there to answer a question: unsaved changes go to a
    // recovery copy, offered at the next start.
    if (modified) {
        QString error;
        const QString copy = writeRecoveryCopy(&error);
        if (copy.isEmpty()) {
            std::fprintf(stderr, "Unsaved changes lost: %s\n", qPrintable(error));
        } else {
            std::fprintf(stdout, "Unsaved changes written to the recovery copy %s\n", qPrintable(copy));
            modified = false;
        }
        std::fflush(stdout);
    }
    stopAnalysisRun();
}

bool Tagdesk::offerRecoveryCopy()
{
    const QString copy = pendingRecoveryCopy();
    if (copy.isEmpty())
        return false;
    const auto answer = QMessageBox::question(
        nullptr, tr("Recovery"), tr("VelmoraSync was closed with unsaved changes. Open the recovered library?"),
        QMessageBox::Yes | QMessageBox::No);
    // A signal that ended the question is no answer: the copy stays on offer.
    if (quittingOnSignal)
        return true;
    const bool open = answer == QMessageBox::Yes;
    const QString kept = retireRecoveryCopy(copy, open);
    std::fprintf(stdout, "Recovery copy kept as %s\n", qPrintable(kept));
    std::fflush(stdout);
    if (!open)
        return false;
    // The recovered songs are not in the library file yet: they stay unsaved,
    // and the library file stays the one to save to and to reopen.
    const QVariant lastFile = QSettings().value(QStringLiteral("lastFile"));
    const QString savedFileName = currentFileName.isEmpty() && !lastFile.isNull()
        ? QFileInfo(lastFile.toString()).absoluteFilePath()
        : currentFileName;
    loadFile(kept);
    auto restore = [this, lastFile, savedFileName] {
        modified = true;
        if (lastFile.isNull())
            QSettings().remove(QStringLiteral("lastFile"));
        else
            QSettings().setValue(QStringLiteral("lastFile"), lastFile);
        currentFileName = savedFileName;
    };
    if (fileRead.loadingFile)
        connect(this, &Tagdesk::loadFileDone, this, restore, Qt::SingleShotConnection);
    else
        restore();
    return true;
}
