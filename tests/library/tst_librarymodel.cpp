#include "librarysongs.h"
#include "table/librarymodel.h"
#include "testenvironment.h"

#include <QItemSelectionModel>

namespace {

// "id:title:bpm", a field left out when empty (never set).
void addShown(const QString &description)
{
    const QStringList part = description.split(QLatin1Char(':'));
    editSong(part[0], [&part](DBelement &record) {
        record.setPersistentID(part[0]);
        if (!part[1].isEmpty())
            record.setTitle(part[1]);
        if (!part[2].isEmpty())
            record.setBPM(part[2]);
    });
    SongStore::library().setupRow(libraryKey(part[0]));
}

QStringList ids(const LibraryModel &model) { return columnTexts(&model, ColumnPersistentID); }

} // namespace

// The table model: what it shows, and how it keeps its rows in order.
class TestLibraryModel : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SongStore::library().clear(); }

    void sortsByTheColumnsValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("expected");
        // Numbers as numbers; texts by their characters, capitals first;
        // a value never set after all others, equal values as they were.
        QTest::newRow("BPM ascending") << int(ColumnBpm) << int(Qt::AscendingOrder)
                                       << QStringList{"5", "4", "1", "3", "2", "6"};
        QTest::newRow("BPM descending") << int(ColumnBpm) << int(Qt::DescendingOrder)
                                        << QStringList{"6", "2", "1", "3", "4", "5"};
        QTest::newRow("title ascending") << int(ColumnTitle) << int(Qt::AscendingOrder)
                                         << QStringList{"6", "4", "1", "3", "2", "5"};
        QTest::newRow("title descending")
            << int(ColumnTitle) << int(Qt::DescendingOrder) << QStringList{"5", "2", "1", "3", "4", "6"};
    }
    void sortsByTheColumnsValue()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        QFETCH(QStringList, expected);
        LibraryModel model(SongStore::library());
        for (const char *song : {"1:beta:100", "2:gamma:120", "3:beta:100", "4:Zulu:90", "5::9", "6:Alpha:"})
            addShown(QString::fromLatin1(song));
        model.sort(column, Qt::SortOrder(order));
        QCOMPARE(ids(model), expected);
    }

    // A change that moves a song out of its place is put right once, in
    // the next turn of the event loop; the selection follows its songs.
    void aChangedSongMovesToItsPlace()
    {
        LibraryModel model(SongStore::library());
        QItemSelectionModel selection(&model);
        for (const char *song : {"1:a:60", "2:b:70", "3:c:80", "4:d:90"})
            addShown(QString::fromLatin1(song));
        model.sort(ColumnBpm);
        selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        editSong("1", [](DBelement &record) { record.setBPM(85); });
        QCOMPARE(model.index(0, ColumnBpm).data().toInt(), 85);
        QTRY_COMPARE(ids(model), (QStringList{"2", "3", "1", "4"}));
        QVERIFY(selection.isRowSelected(2));
        QCOMPARE(selection.selectedRows().size(), 1);
    }

    // Rows come in unsorted during a bulk change, and are in order when it ends.
    void aBulkChangeIsSortedAtItsEnd()
    {
        SongStore &store = SongStore::library();
        LibraryModel model(store);
        model.sort(ColumnTitle);
        store.beginBulkChange();
        for (const char *song : {"1:c:60", "2:a:70", "3:b:80"})
            addShown(QString::fromLatin1(song));
        QCoreApplication::processEvents();
        QCOMPARE(ids(model), (QStringList{"1", "2", "3"}));
        store.endBulkChange();
        QCOMPARE(ids(model), (QStringList{"2", "3", "1"}));
    }

    void removedSongsLeaveTheirRows_data()
    {
        QTest::addColumn<int>("songs");
        QTest::addColumn<int>("every");
        QTest::newRow("a few") << 10 << 3;
        // Many scattered rows reset the model instead.
        QTest::newRow("many") << 1000 << 2;
    }
    void removedSongsLeaveTheirRows()
    {
        QFETCH(int, songs);
        QFETCH(int, every);
        SongStore &store = SongStore::library();
        LibraryModel model(store);
        QStringList kept;
        {
            SongStore::Batch batch(store);
            for (int i = 0; i < songs; ++i) {
                addShown(QStringLiteral("%1:t:100").arg(i));
                if (i % every != 0)
                    kept << QString::number(i);
            }
        }
        {
            SongStore::Batch batch(store);
            for (int i = 0; i < songs; i += every)
                store.remove(std::to_string(i));
        }
        QCOMPARE(ids(model), kept);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.rowOf(model.songAt(row)), row);
    }

    // A hostile value shows and sorts like any other.
    void hostileValuesShowAndSort()
    {
        LibraryModel model(SongStore::library());
        const QString huge(1 << 20, QLatin1Char('x'));
        const QString control = QStringLiteral("a\x01\x1b[31m\u202e\u2066b");
        addShown(QStringLiteral("1:") + huge + QStringLiteral(":100"));
        addShown(QStringLiteral("2:") + control + QStringLiteral(":100"));
        addShown(QStringLiteral("3:w:100"));
        model.sort(ColumnTitle);
        QCOMPARE(ids(model), (QStringList{"2", "3", "1"}));
        QCOMPARE(model.index(2, ColumnTitle).data().toString().size(), 1 << 20);
        QCOMPARE(model.index(0, ColumnTitle).data().toString(), control);
    }

    void headerTextsCanBeRenamed()
    {
        LibraryModel model(SongStore::library());
        QCOMPARE(model.headerData(ColumnItunes, Qt::Horizontal).toString(), QStringLiteral("iTunes"));
        QVERIFY(model.setHeaderData(ColumnItunes, Qt::Horizontal, QStringLiteral("In Folders")));
        QCOMPARE(model.headerData(ColumnItunes, Qt::Horizontal).toString(), QStringLiteral("In Folders"));
        QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
    }
};

VELMORA_TEST_MAIN(TestLibraryModel)
#include "tst_librarymodel.moc"
