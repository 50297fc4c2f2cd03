#pragma once

#include <QString>
#include <QStringList>

// What a list of paths given to the program (on its command line, or
// dropped on its window) asks for: a library file to open, music folders to
// import and remember, audio files to import once. Anything else is ignored.
struct OpenRequest
{
    QString libraryFile; // the last .tgd file named
    QStringList folders;
    QStringList songFiles;
    QStringList ignored;

    bool importsMusic() const { return !folders.isEmpty() || !songFiles.isEmpty(); }
};

OpenRequest classifyPaths(const QStringList &paths);
