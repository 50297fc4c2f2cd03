#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/recoverycopy.h"
#include "library/songhistory.h"

#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <cstdio>

bool Tagdesk::quitOnSignal()
{
    quittingOnSignal = true;
    bool kept = true;
    // Nobody may be there to answer a question: unsaved changes go to a
    // recovery copy, offered at the next start.
    if (modified) {
        QString error;
        const QString copy = writeRecoveryCopy(&error);
        if (copy.isEmpty()) {
            std::fprintf(stderr, "Unsaved changes lost: %s\n", qPrintable(error));
            statusbar->showMessage(QStringLiteral("Unsaved changes lost: %1").arg(error), 0);
            kept = false;
        } else {
            std::fprintf(stdout, "Unsaved changes written to the recovery copy %s\n", qPrintable(copy));
            modified = false;
        }
        std::fflush(stdout);
    }
    stopAnalysisRun();
    return kept;
}

bool Tagdesk::offerRecoveryCopy()
{
    const QStringList copies = pendingRecoveryCopies();
    if (copies.isEmpty())
        return false;
    // The newest is offered; older ones (several signals without a start in
    // between) are kept, not asked about one start at a time.
    const QString copy = copies.last();
    QMessageBox question(QMessageBox::Question, tr("Recovery"),
                         tr("VelmoraSync was closed with unsaved changes. Open the recovered library?"),
                         QMessageBox::Yes | QMessageBox::No);
    QString details = tr("The recovery copy was written on %1:\n%2")
                          .arg(QLocale().toString(recoveryCopyTime(copy), QLocale::LongFormat), copy);
    if (copies.size() > 1)
        details +=
            tr("\n\nThe %1 older ones stay in the same folder as \"declined-...\" files.").arg(copies.size() - 1);
    question.setInformativeText(details);
    const auto answer = question.exec();
    // A signal that ended the question is no answer: the copies stay on offer.
    if (quittingOnSignal)
        return true;
    for (const QString &older : copies.mid(0, copies.size() - 1))
        retireRecoveryCopy(older, false);
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
        history->markUnsaved();
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
