#include "library/dbelement.h"
#include "library/bpmtext.h"
#include "table/tablecells.h"

#include <QBrush>
#include <QTableWidget>

TableMap tableMap;

const QColor DBelement::alternativeBpmColour(0xb3, 0x4d, 0x00);

DBelement::DBelement() { field("bpm").itemTag = QVXtableWidgetItem::BpmTag; }

int DBelement::bpm() { return field("bpm").data(Qt::DisplayRole).toInt(); }

bool DBelement::isShown() { return field("title").tableWidget() != nullptr; }

void DBelement::setText(const std::string &name, const QString &text) { field(name).setText(text); }

void DBelement::setFlag(const std::string &name, const QString &flag)
{
    field(name).setData(Qt::DisplayRole, QVariant(flagFromText(flag)));
}

void DBelement::setTitle(const QString &text) { setText("title", text); }
void DBelement::setArtist(const QString &text) { setText("artist", text); }
void DBelement::setAlbumTitle(const QString &text) { setText("albumTitle", text); }
void DBelement::setGenre(const QString &text) { setText("genre", text); }
void DBelement::setAlbumArtist(const QString &text) { setText("albumArtist", text); }
void DBelement::setComposer(const QString &text) { setText("composer", text); }
void DBelement::setLocation(const QString &text) { setText("location", text); }
void DBelement::setPersistentID(const QString &text) { setText("persistentID", text); }

void DBelement::setBPM(const QString &text) { field("bpm").setData(Qt::DisplayRole, QVariant(bpmFromText(text))); }

void DBelement::setItunes(const QString &flag) { setFlag("iTunes", flag); }
void DBelement::setIphone(const QString &flag) { setFlag("iPhone", flag); }
void DBelement::setOnDevice(const QString &flag) { setFlag("iPhone", flag); }
void DBelement::setUserChanged(const QString &flag) { setFlag("userChanged", flag); }

void DBelement::setBpmAlternative(int bpm)
{
    alternativeBpm = bpm >= 50 && bpm <= 200 ? bpm : 0;
    QVXtableWidgetItem &cell = field("bpm");
    // A colour of its own makes unsure songs stand out in a sorted column;
    // the tooltip names the other level.
    if (alternativeBpm) {
        cell.setData(Qt::ForegroundRole, QBrush(alternativeBpmColour));
        cell.setData(Qt::ToolTipRole, QStringLiteral("Maybe %1").arg(alternativeBpm));
    } else {
        cell.setData(Qt::ForegroundRole, QVariant());
        cell.setData(Qt::ToolTipRole, QVariant());
    }
}

void clearLibrary(QTableWidget *table)
{
    // A cell's item leaving the table looks itself up there, which is linear
    // in the table's size once the table has been sorted; taking every cell
    // out by its position first keeps clearing a large library linear. The
    // rows are removed right after, so the per-cell change signals would only
    // describe cells that are about to go.
    QAbstractItemModel *model = table->model();
    const bool wasBlocked = model->blockSignals(true);
    for (int row = 0; row < table->rowCount(); ++row)
        emptyRow(table, row);
    model->blockSignals(wasBlocked);
    tableMap.clear();
    table->setRowCount(0);
}
