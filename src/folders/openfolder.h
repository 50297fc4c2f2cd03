#pragma once

#include <QByteArray>
#include <dirent.h>

// Opens a folder for listing, however long its path: the kernel takes at most
// PATH_MAX bytes at once, so a deeper folder is reached a stretch of its path
// at a time. Never blocks, whatever the path names by now (a FIFO is no
// folder). Null when it cannot be opened. The path holds no empty names.
DIR *openFolder(const QByteArray &path);
