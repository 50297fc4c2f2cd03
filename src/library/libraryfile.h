#pragma once

#include <QString>

class QIODevice;

// Writes the whole library as a library file document: root "TAGDESK"
// version "100" and one empty "Element_Data" element per record, in key
// order, attributes always in the same order so that the same library gives
// the same bytes.
void writeLibraryDocument(QIODevice *device);

// Writes the library to a file through a temporary file that replaces the old
// one only once it is complete; false, with error saying why when given, when
// the file could not be written. The old file's owner and group carry over
// where the system allows. Where no replacement is possible the file is
// written in place, which a crash part-way can leave truncated: when the
// folder is not writable (the file is), and when the file has other hard
// links (a replacement would split it from them).
bool saveLibraryFile(const QString &fileName, QString *error = nullptr);
