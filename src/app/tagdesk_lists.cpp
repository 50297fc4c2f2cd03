#include "app/tagdesk.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString listsKey = QStringLiteral("savedLists");
constexpr int summaryMessageMs = 8000;

// Saved lists by name, each a filter text.
QVariantMap savedLists() { return QSettings().value(listsKey).toMap(); }

// A list's playlist file name: no folder separators, no hidden file.
QString playlistFileName(const QString &listName)
{
    QString name = listName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    return name + QStringLiteral(".m3u8");
}

} // namespace

void Tagdesk::setUpLists()
{
    menuLists = menubar->addMenu(tr("Lists"));
    menuLists->setObjectName(QStringLiteral("menuLists"));
    showLists();
}

void Tagdesk::showLists()
{
    menuLists->clear();
    menuLists->addAction(tr("Save Filter as List..."), this, &Tagdesk::saveFilterAsList);
    const QVariantMap lists = savedLists();
    if (lists.isEmpty())
        return;
    menuLists->addSeparator();
    for (auto list = lists.cbegin(); list != lists.cend(); ++list) {
        QAction *apply = menuLists->addAction(list.key());
        apply->setToolTip(list.value().toString());
        const QString filter = list.value().toString();
        connect(apply, &QAction::triggered, this, [this, filter] { filterBar->setText(filter); });
    }
    menuLists->addSeparator();
    QMenu *exportOne = menuLists->addMenu(tr("Export List"));
    QMenu *forget = menuLists->addMenu(tr("Remove List"));
    for (auto list = lists.cbegin(); list != lists.cend(); ++list) {
        const QString name = list.key();
        exportOne->addAction(name, this, [this, name] { exportList(name); });
        forget->addAction(name, this, [this, name] { removeList(name); });
    }
    menuLists->addAction(tr("Export All Lists..."), this, &Tagdesk::exportAllLists);
}

void Tagdesk::saveFilterAsList()
{
    const QString filter = filterBar->text().trimmed();
    if (filter.isEmpty()) {
        statusbar->showMessage(tr("Type a filter first: a list is a saved filter."), summaryMessageMs);
        return;
    }
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, tr("Save Filter as List"), tr("Name of the list:"), QLineEdit::Normal, filter, &ok)
            .trimmed();
    if (ok && !name.isEmpty())
        saveList(name, filter);
}

void Tagdesk::saveList(const QString &name, const QString &filter)
{
    QVariantMap lists = savedLists();
    lists.insert(name, filter);
    QSettings().setValue(listsKey, lists);
    showLists();
}

void Tagdesk::removeList(const QString &name)
{
    QVariantMap lists = savedLists();
    lists.remove(name);
    QSettings().setValue(listsKey, lists);
    showLists();
}

std::vector<std::string> Tagdesk::listSongKeys(const QString &name) const
{
    std::vector<std::string> keys;
    for (const Song *song : filterModel->songsMatching(savedLists().value(name).toString()))
        keys.push_back(song->first);
    return keys;
}

void Tagdesk::exportList(const QString &name)
{
    const QString folder = QSettings().value(QStringLiteral("playlistFolder"), QDir::homePath()).toString();
    QFileDialog dialog(this, tr("Export List"), QDir(folder).filePath(playlistFileName(name)),
                       tr("M3U8 playlists (*.m3u8)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("m3u8"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString summary;
    const bool written = writePlaylist(dialog.selectedFiles().constFirst(), listSongKeys(name), &summary);
    if (!written)
        QMessageBox::critical(nullptr, tr("Export List"), summary, QMessageBox::Ok);
    else
        statusbar->showMessage(summary, summaryMessageMs);
}

void Tagdesk::exportAllLists()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export All Lists"), QDir::homePath());
    if (!folder.isEmpty())
        exportListsInto(folder);
}

bool Tagdesk::exportListsInto(const QString &folder)
{
    const QVariantMap lists = savedLists();
    QStringList failures;
    for (auto list = lists.cbegin(); list != lists.cend(); ++list) {
        QString summary;
        if (!writePlaylist(QDir(folder).filePath(playlistFileName(list.key())), listSongKeys(list.key()), &summary))
            failures << summary;
    }
    if (!failures.isEmpty()) {
        QMessageBox::critical(nullptr, tr("Export All Lists"), failures.join(QLatin1Char('\n')), QMessageBox::Ok);
        return false;
    }
    const QString written =
        lists.size() == 1 ? tr("1 list written to %1") : tr("%1 lists written to %2").arg(lists.size());
    statusbar->showMessage(written.arg(folder), summaryMessageMs);
    return true;
}
