#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "library/itunesroot.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString currentItunesRoot()
{
    QFile file(itunesLibraryFileName());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return itunesMusicFolder(&file);
}

} // namespace

bool Tagdesk::askForItunesRoot(const QString &songPath)
{
    if (run.itunesRootAsked)
        return false;
    // Asked once a run, only for a song under the library's root that no
    // remembered folder maps yet.
    const QString root = currentItunesRoot();
    const bool underRoot = mapItunesRoot(songPath, root, QStringLiteral("/")) != songPath;
    if (!underRoot || !mappedRootFolder(root).isEmpty())
        return false;
    run.itunesRootAsked = true;
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Where is the iTunes music folder \"%1\" on this computer?").arg(root), QDir::homePath());
    if (folder.isEmpty())
        return false;
    rememberRootFolder(root, folder);
    return true;
}

void Tagdesk::whereItunesSongsAre()
{
    const QString root = currentItunesRoot();
    if (root.isEmpty()) {
        QMessageBox::information(
            nullptr, tr("Where iTunes Songs Are"),
            tr("The iTunes library file \"%1\" names no music folder.").arg(itunesLibraryFileName()));
        return;
    }
    const QString current = mappedRootFolder(root);
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Where is the iTunes music folder \"%1\" on this computer?").arg(root),
        current.isEmpty() ? QDir::homePath() : current);
    if (!folder.isEmpty())
        rememberRootFolder(root, folder);
}
