#pragma once

#include "library/songstore.h"

#include <QString>

// A library of this many shown songs, each with every text set, BPMs spread
// over 50 to 200, every seventh song with an Alternative and every tenth
// with a location: what the table benchmarks work on.
inline void fillBenchLibrary(int songs, const QString &locationFolder = QString())
{
    SongStore &store = SongStore::library();
    store.beginBulkChange();
    {
        SongStore::Batch batch(store);
        for (int i = 0; i < songs; ++i) {
            const QString id = QString::number(-4611686018427387904LL + i * 7919LL);
            store.update(libraryKey(id), [&](DBelement &record) {
                record.setPersistentID(id);
                record.setTitle(QStringLiteral("Song title number %1").arg((i * 7907) % songs));
                record.setBPM(50 + i % 151);
                record.setArtist(QStringLiteral("Artist %1").arg(i % 997));
                record.setAlbumTitle(QStringLiteral("Album %1").arg(i % 4999));
                record.setGenre(QStringLiteral("Genre %1").arg(i % 23));
                record.setAlbumArtist(QStringLiteral("Album Artist %1").arg(i % 499));
                record.setComposer(QStringLiteral("Composer %1").arg(i % 331));
                record.setItunes(QStringLiteral("true"));
                record.setIphone(i % 3 ? QStringLiteral("true") : QStringLiteral("false"));
                if (i % 7 == 0)
                    record.setBpmAlternative(std::min(200, (50 + i % 151) * 2));
                if (i % 10 == 0 && !locationFolder.isEmpty())
                    record.setLocation(QStringLiteral("%1/song %2.mp3").arg(locationFolder).arg(i));
            });
            store.setupRow(libraryKey(id));
        }
    }
    store.endBulkChange();
}
