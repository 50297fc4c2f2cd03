#pragma once

#include "library/songstore.h"
#include "table/columns.h"
#include "table/slicedsort.h"

#include <QAbstractTableModel>
#include <vector>

// The library table: one row per shown song of the store, one column per
// entry of the columns table. The model sorts itself (a header click, or
// sort()): numbers as numbers, texts by their characters, values never set
// after all others. After a change it re-sorts once, in the next event-loop
// turn, and only the rows that left their place, merged back in; during a
// bulk change of the store it waits, and as the change ends sorts the whole
// table a slice per turn before showing the new order at once. BPM is the
// one editable cell.
class LibraryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit LibraryModel(SongStore &store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A BPM typed into its cell: stored, the song's level settled and its BPM
    // locked. A locked BPM shows a padlock and says so in its tooltip.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    const Song *songAt(int row) const;
    // The shown song in a shown slot (see DBelement::shownSlot); null for a
    // slot no song holds.
    const Song *songInSlot(int slot) const;
    // The song's row; -1 when it has none.
    int rowOf(const Song *song) const;
    int rowOf(const std::string &key) const;
    int sortColumn() const { return sortedColumn; }
    Qt::SortOrder sortOrder() const { return sortedOrder; }

signals:
    // The user has typed a BPM into the song's cell; the value is stored.
    void bpmEdited(const std::string &key);

private:
    void showSongs(const QList<const Song *> &songs);
    void updateSongs(const QList<const Song *> &songs);
    void dropSongs(const QList<const Song *> &songs);
    void resortLater();
    void resortNow();
    // Puts the rows in the sort column's order, all of them or only those
    // that moved, and tells the views.
    void reorder(bool everything);
    void continueSlicedSort();
    // Shows the rows in a new order, the selection following its songs.
    void showOrder(std::vector<const Song *> ordered);
    std::function<bool(const Song *const &, const Song *const &)> inOrder() const;
    void indexRows();
    bool rowInOrder(int row) const;
    bool less(const Song *a, const Song *b) const;

    SongStore &store;
    // The shown songs in the order the table shows them.
    std::vector<const Song *> rows;
    // Each shown song's row, by its shown slot.
    std::vector<int> rowOfSlot;
    // Songs that may be out of place: shown or changed since the last sort.
    std::vector<const Song *> dirty;
    SlicedSort<const Song *> slicedSort;
    int sortedColumn = -1;
    Qt::SortOrder sortedOrder = Qt::AscendingOrder;
    bool resortDue = false;
    bool resortQueued = false;
    QString headerTexts[ColumnCount];
};
