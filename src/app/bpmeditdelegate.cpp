#include "app/bpmeditdelegate.h"

void BpmEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const QPersistentModelIndex cell(index);
    QStyledItemDelegate::setModelData(editor, model, index);
    emit committed(cell);
}
