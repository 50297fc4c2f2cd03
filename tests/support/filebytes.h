#pragma once

#include <QByteArray>
#include <QString>

// A file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);
// Writes the bytes as the whole file; false when that fails.
bool writeFile(const QString &path, const QByteArray &bytes);
