#pragma once

#include <QString>

class QIODevice;

// Writes the whole library as a library file document: root "TAGDESK"
// version "100" and one empty "Element_Data" element per record, in key
// order, attributes always in the same order so that the same library gives
// the same bytes.
void writeLibraryDocument(QIODevice *device);

// Writes the library to a file through a temporary file that replaces the old
// one only once it is complete; false when the file could not be written.
bool saveLibraryFile(const QString &fileName);
