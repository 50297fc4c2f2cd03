#pragma once

#include <QString>

// The audio file path of a stored song location. The iTunes import keeps what
// QUrl::toLocalFile() made of the track's URL, which for a
// "file://localhost/..." URL is "//localhost/..."; the leading "//" and host
// are dropped when they are there, and any other location is a path already.
QString songFilePath(const QString &location);
