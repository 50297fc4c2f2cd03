#include "table/columns.h"

#include <QHeaderView>
#include <QTableWidget>

const ColumnInfo columns[ColumnCount] = {
    {"title", "Title", 200},     {"bpm", "BPM", 60},
    {"artist", "Artist", 0},     {"albumTitle", "Album Title", 0},
    {"genre", "Genre", 0},       {"albumArtist", "Album Artist", 0},
    {"composer", "Composer", 0}, {"iTunes", "iTunes", 0},
    {"iPhone", "iPhone", 0},     {"persistentID", "PersistentID", 0},
};

void setUpColumns(QTableWidget *table)
{
    table->setColumnCount(ColumnCount);
    QStringList headers;
    for (const ColumnInfo &column : columns)
        headers << QString::fromLatin1(column.header);
    table->setHorizontalHeaderLabels(headers);
    for (int column = 0; column < ColumnCount; ++column) {
        if (columns[column].width > 0)
            table->horizontalHeader()->resizeSection(column, columns[column].width);
    }
}
