#pragma once

#include "library/songfields.h"

// The library table's columns in the order the table shows them. Code names a
// column here and never by its number: a column added in the middle then
// moves every use with it.
enum Column : int {
    ColumnTitle,
    ColumnBpm,
    ColumnArtist,
    ColumnAlbumTitle,
    ColumnGenre,
    ColumnAlbumArtist,
    ColumnComposer,
    ColumnItunes,
    ColumnIphone,
    ColumnPersistentID,
    ColumnCount
};

// What each column shows: the record's field behind its cells, its header
// text and its starting width in pixels (0 keeps the header's default).
struct ColumnInfo
{
    SongField field;
    const char *header;
    int width;
};

extern const ColumnInfo columns[ColumnCount];

class QTableView;

// Gives a table view showing the library model its starting column widths.
void setUpColumnWidths(QTableView *table);
