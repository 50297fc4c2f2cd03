#include "app/tagdesk.h"
#include "folders/musicsource.h"
#include "folders/openrequest.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <iostream>

namespace {

QStringList localPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void Tagdesk::openPaths(const OpenRequest &request)
{
    for (const QString &path : request.ignored)
        std::cerr << "Not a library file, music folder or audio file: " << path.toLocal8Bit().constData() << std::endl;
    if (!request.libraryFile.isEmpty())
        loadFile(request.libraryFile);
    // Folders join the music source; a single file is imported once.
    for (const QString &folder : request.folders)
        rememberMusicFolder(folder);
    if (request.importsMusic())
        importMusicPaths(request.folders + request.songFiles, false);
}

void Tagdesk::dragEnterEvent(QDragEnterEvent *event)
{
    const OpenRequest request = classifyPaths(localPaths(event->mimeData()));
    if (request.importsMusic() || !request.libraryFile.isEmpty())
        event->acceptProposedAction();
}

void Tagdesk::dropEvent(QDropEvent *event)
{
    OpenRequest request = classifyPaths(localPaths(event->mimeData()));
    if (!request.importsMusic() && request.libraryFile.isEmpty())
        return;
    event->acceptProposedAction();
    // A dropped library file replaces the library, as Open File does.
    if (!request.libraryFile.isEmpty() && !askToSaveBeforeLoading())
        request.libraryFile.clear();
    openPaths(request);
}
