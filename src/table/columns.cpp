#include "table/columns.h"

#include <QHeaderView>
#include <QTableView>

const ColumnInfo columns[ColumnCount] = {
    {SongField::Title, "Title", 200},     {SongField::Bpm, "BPM", 60},
    {SongField::Artist, "Artist", 0},     {SongField::AlbumTitle, "Album Title", 0},
    {SongField::Genre, "Genre", 0},       {SongField::AlbumArtist, "Album Artist", 0},
    {SongField::Composer, "Composer", 0}, {SongField::Itunes, "iTunes", 0},
    {SongField::Iphone, "iPhone", 0},     {SongField::PersistentID, "PersistentID", 0},
};

void setUpColumnWidths(QTableView *table)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (columns[column].width > 0)
            table->horizontalHeader()->resizeSection(column, columns[column].width);
    }
}
