#include "app/tagdesk.h"

#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QSettings>
#include <QShortcut>
#include <QTimer>

namespace {

const char filterSetting[] = "lastFilter";
// Keys typed closer together than this are judged as one text.
constexpr int typingPauseMs = 40;

} // namespace

void Tagdesk::setUpFilterBar()
{
    filteredCount = new QLabel(this);
    filteredCount->hide();
    statusbar->addPermanentWidget(filteredCount);

    filterTyping = new QTimer(this);
    filterTyping->setSingleShot(true);
    filterTyping->setInterval(typingPauseMs);
    connect(filterTyping, &QTimer::timeout, this, [this] { filterModel->setFilterText(filterBar->text()); });
    connect(filterBar, &QLineEdit::textChanged, filterTyping, qOverload<>(&QTimer::start));
    // Enter judges the songs again: those that stopped matching go.
    connect(filterBar, &QLineEdit::returnPressed, this, [this] {
        filterTyping->stop();
        filterModel->setFilterText(filterBar->text());
    });
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        filterBar->setFocus(Qt::ShortcutFocusReason);
        filterBar->selectAll();
    });
    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), filterBar, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, filterBar, &QLineEdit::clear);

    connect(filterModel, &LibraryFilterModel::filterApplied, this, [this] {
        QSettings().setValue(filterSetting, filterModel->filterText());
    });
    // The count follows the rows, once per event-loop turn however many batches come.
    auto *countDue = new QTimer(this);
    countDue->setSingleShot(true);
    countDue->setInterval(0);
    connect(countDue, &QTimer::timeout, this, &Tagdesk::showFilteredCount);
    for (auto *model : {static_cast<QAbstractItemModel *>(filterModel), static_cast<QAbstractItemModel *>(libraryModel)}) {
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
    filteredCount->setText(tr("%1 of %2 songs")
                               .arg(locale.toString(filterModel->rowCount()), locale.toString(libraryModel->rowCount())));
    filteredCount->show();
}
