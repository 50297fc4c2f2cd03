#pragma once

#include "library/songstore.h"

#include <QAbstractItemModel>
#include <QString>

// The library's song under a persistent ID, for reading; an empty record
// (and a failed test) when there is none.
const DBelement &librarySong(const QString &id);

// What a model's cell shows, as text.
QString cellText(const QAbstractItemModel *model, int row, int column);

// The texts of one column, top to bottom.
QStringList columnTexts(const QAbstractItemModel *model, int column);

// Changes the library's song under a persistent ID, creating it when absent.
template <typename Edit>
void editSong(const QString &id, Edit &&edit)
{
    SongStore::library().update(libraryKey(id), std::forward<Edit>(edit));
}
