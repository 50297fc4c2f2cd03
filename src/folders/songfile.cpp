#include "folders/songfile.h"

#include <QCryptographicHash>
#include <QFileInfo>

bool isSongFileName(const QByteArray &fileName)
{
    static const char *const extensions[] = {
        "mp3", "m4a", "flac", "ogg", "oga", "opus", "wav", "aif", "aiff",
    };
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const QByteArray extension = fileName.mid(dot + 1).toLower();
    for (const char *known : extensions) {
        if (extension == known)
            return true;
    }
    return false;
}

QString folderPersistentIDHex(const QByteArray &canonicalPath)
{
    const QByteArray digest = QCryptographicHash::hash(canonicalPath, QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.left(8).toHex().toUpper());
}

QString titleFromFileName(const QString &path) { return QFileInfo(path).completeBaseName(); }
