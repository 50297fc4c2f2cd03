#include "librarysongs.h"

#include <QTest>

const DBelement &librarySong(const QString &id)
{
    static const DBelement none;
    const DBelement *found = SongStore::library().findByID(id);
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no song %1 in the library").arg(id)), __FILE__, __LINE__);
    return found ? *found : none;
}

QString cellText(const QAbstractItemModel *model, int row, int column)
{
    return model->index(row, column).data().toString();
}

QStringList columnTexts(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << cellText(model, row, column);
    return texts;
}
