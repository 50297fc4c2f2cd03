#pragma once

// The library table's columns in the order the table shows them. Commands
// find a song through its persistent-ID cell and the edit handlers through
// the BPM column, so code names a column here and never by its number: a
// column added in the middle then moves every use with it.
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
    const char *field;
    const char *header;
    int width;
};

extern const ColumnInfo columns[ColumnCount];

class QTableWidget;

// Gives a table the library's columns, headers and widths.
void setUpColumns(QTableWidget *table);
