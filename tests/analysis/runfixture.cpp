#include "runfixture.h"
#include "library/songstore.h"
#include "table/columns.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

RunFixture::RunFixture(int jobs) : window(std::make_unique<Tagdesk>())
{
    QSettings().setValue(QStringLiteral("analysisJobs"), jobs);
    window->convertLabel->hide();
    window->convertCancelButton->hide();
    window->itunesLoaded = true;
    window->haveWarned = true;
    window->converterPath = standIns.converterPath();
    window->analyserPath = standIns.analyserPath();
    QObject::connect(window->statusbar, &QStatusBar::messageChanged, [this](const QString &message) {
        if (!message.isEmpty())
            messages << message;
    });
}

const DBelement &RunFixture::addSong(const QString &id, const QString &title, const QString &location,
                                     const std::function<void(DBelement &)> &more)
{
    SongStore &store = SongStore::library();
    store.update(libraryKey(id), [&](DBelement &record) {
        record.setPersistentID(id);
        record.setTitle(title);
        record.setLocation(location);
        record.setBPM(QStringLiteral("99"));
        if (more)
            more(record);
    });
    store.setupRow(libraryKey(id));
    return *store.findByID(id);
}

void RunFixture::select(const QStringList &ids)
{
    // The table puts new rows in order in the event loop's next turn.
    QCoreApplication::processEvents();
    for (const QString &id : ids) {
        const QModelIndex row = window->filterModel->mapFromSource(
            window->libraryModel->index(window->libraryModel->rowOf(libraryKey(id)), 0));
        window->tableWidget->selectionModel()->select(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

bool RunFixture::runToEnd()
{
    window->BeatFind();
    return waitForEnd();
}

bool RunFixture::waitForEnd()
{
    return QTest::qWaitFor([this] { return !window->run.analysisRunning; }, 20000);
}

bool RunFixture::isIdle() const
{
    return !window->run.analysisRunning && window->convertLabel->isHidden() && window->convertCancelButton->isHidden()
        && window->actionBeatFind->isEnabled() && window->actionDelete->isEnabled()
        && window->convertProgressBar->isHidden() && !window->pool.isRunning();
}

QStringList RunFixture::callKinds() const
{
    QStringList kinds;
    for (const QString &call : standIns.calls())
        kinds << call.section(QLatin1Char(' '), 0, 0);
    return kinds;
}
