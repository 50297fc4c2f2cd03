#include "folders/openrequest.h"
#include "folders/songfile.h"

#include <QFile>
#include <QFileInfo>

OpenRequest classifyPaths(const QStringList &paths)
{
    OpenRequest request;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            request.folders << info.absoluteFilePath();
        else if (info.isFile() && info.suffix().compare(QLatin1String("tgd"), Qt::CaseInsensitive) == 0)
            request.libraryFile = info.absoluteFilePath();
        else if (info.isFile() && isSongFileName(QFile::encodeName(info.fileName())))
            request.songFiles << info.absoluteFilePath();
        else
            request.ignored << path;
    }
    return request;
}
