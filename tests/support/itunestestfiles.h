#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class Tagdesk;

// Where the import looks for the iTunes library: inside the test's own HOME.
QString itunesLibraryPath();
void writeItunesLibrary(const QByteArray &xml);
void installItunesLibrary(const QString &testDataFile);
QString testDataPath(const QString &name);

// A track dictionary from its keys and raw value elements, in this order.
using ItunesKeys = QList<QPair<QByteArray, QByteArray>>;
QByteArray itunesTrackDict(const ItunesKeys &keys);
// A whole iTunes library file around the given track dictionaries.
QByteArray itunesLibraryFile(const QList<QByteArray> &trackDicts);

// iTunes holds "Song" and "Other" by "Band", persistent IDs 0A and 0B (10 and 11).
void writeSongAndOtherInItunes();

// Runs the "From iTunes" command and waits for loadItunesDone().
bool importFromItunes(Tagdesk &window);
