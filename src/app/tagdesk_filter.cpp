#include "app/tagdesk.h"

#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QSettings>
#include <QShortcut>
#include <QTimer>

namespace {

const char filterSetting[] = "lastFilter";
constexpr int rememberAfterMs = 1000;

} // namespace

void Tagdesk::setUpFilterBar()
{
    filteredCount = new QLabel(this);
    filteredCount->hide();
    statusbar->addPermanentWidget(filteredCount);

    // Each key starts the judging afresh; it runs a slice per turn, so typing
    // goes on meanwhile.
    connect(filterBar, &QLineEdit::textChanged, filterModel, &LibraryFilterModel::setFilterText);
    // Enter judges the songs again: those that stopped matching go.
    connect(filterBar, &QLineEdit::returnPressed, filterModel, &LibraryFilterModel::refresh);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        filterBar->setFocus(Qt::ShortcutFocusReason);
        filterBar->selectAll();
    });
    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), filterBar, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, filterBar, &QLineEdit::clear);

    // Written once typing has rested, not at every key.
    auto *rememberDue = new QTimer(this);
    rememberDue->setSingleShot(true);
    rememberDue->setInterval(rememberAfterMs);
    connect(rememberDue, &QTimer::timeout, this,
            [this] { QSettings().setValue(filterSetting, filterModel->filterText()); });
    connect(filterModel, &LibraryFilterModel::filterApplied, rememberDue, qOverload<>(&QTimer::start));
    // The count follows the rows, once per event-loop turn however many batches come.
    auto *countDue = new QTimer(this);
    countDue->setSingleShot(true);
    countDue->setInterval(0);
    connect(countDue, &QTimer::timeout, this, &Tagdesk::showFilteredCount);
    for (auto *model :
         {static_cast<QAbstractItemModel *>(filterModel), static_cast<QAbstractItemModel *>(libraryModel)}) {
        connect(model, &QAbstractItemModel::rowsInserted, countDue, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::rowsRemoved, countDue, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::modelReset, countDue, qOverload<>(&QTimer::start));
        connect(model, &QAbstractItemModel::layoutChanged, countDue, qOverload<>(&QTimer::start));
    }

    const QString lastFilter = QSettings().value(filterSetting).toString();
    filterBar->setText(lastFilter);
    filterModel->setFilterText(lastFilter);
}

void Tagdesk::showFilteredCount()
{
    if (!filterModel->isFiltering()) {
        filteredCount->hide();
        return;
    }
    const QLocale locale;
    filteredCount->setText(
        tr("%1 of %2 songs").arg(locale.toString(filterModel->rowCount()), locale.toString(libraryModel->rowCount())));
    filteredCount->show();
}
