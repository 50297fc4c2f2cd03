#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// The editor of the BPM column, which tells when the user has committed a
// value: only an edit by hand settles a song's tempo level, while the file
// read, the import and the phone change the same cells too.
class BpmEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

signals:
    // The edited cell, followed through a re-sort that the new value caused.
    void committed(const QPersistentModelIndex &cell) const;
};
