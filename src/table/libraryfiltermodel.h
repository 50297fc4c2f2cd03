#pragma once

#include "library/itunesroot.h"
#include "table/librarymodel.h"
#include "table/songfilter.h"

#include <QSortFilterProxyModel>
#include <QTimer>
#include <vector>

// The library table as the filter bar narrows it: the songs of the library
// model that the filter text asks for (see SongFilter), in the model's order.
// A song is judged when the text changes, when it first appears, and on
// refresh(); a song that stops matching because its values change stays
// shown until then, so rows do not jump away under the user. A header click
// sorts the library model itself.
class LibraryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    LibraryFilterModel(LibraryModel &library, SongStore &store, QObject *parent = nullptr);

    // Judges every song under the text, a part per event-loop turn in a large
    // library; the songs are shown at once when all are judged.
    void setFilterText(const QString &text);
    // Judges every song afresh under the same text.
    void refresh();
    const QString &filterText() const { return text; }
    bool isFiltering() const { return !shownFilter.isEmpty(); }
    // Whether songs are being judged, not yet shown.
    bool isJudging() const { return nextSlot >= 0; }

    const Song *songAt(int row) const;
    // Every song of the library that a text asks for, in the library model's
    // order, judged now, whatever the bar shows.
    std::vector<const Song *> songsMatching(const QString &filterText) const;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // The songs shown follow a new text, or the same one judged afresh.
    void filterApplied();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    enum Verdict : quint8 { Unjudged, Matches, Fails };
    Verdict judge(const SongFilter &filter, const Song &song) const;
    void judgeSome();
    void applyJudged();
    void forgetSongs(const QList<const Song *> &songs);
    void forgetAll();

    LibraryModel &library;
    SongStore &store;
    QString text;
    // The filter the shown songs follow, and the one being judged.
    SongFilter shownFilter;
    SongFilter nextFilter;
    // By shown slot: each song's verdict under shownFilter, and under
    // nextFilter as far as the judging has come.
    mutable std::vector<Verdict> verdicts;
    std::vector<Verdict> nextVerdicts;
    // The next slot to judge; -1 when no judging is under way.
    int nextSlot = -1;
    QTimer judging;
    QTimer applying;
    // By shown slot: the song's texts as words are looked for in them, made
    // when first needed and forgotten when the song changes.
    mutable std::vector<QString> searchTexts;
    // Where copied iTunes songs are, as the judging began.
    ItunesRootMap roots;
};
