#include "runfixture.h"
#include "library/dbelement.h"
#include "table/columns.h"

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

DBelement &RunFixture::addSong(const QString &id, const QString &title, const QString &location)
{
    DBelement &record = tableMap[libraryKey(id)];
    record.setPersistentID(id);
    record.setTitle(title);
    record.setLocation(location);
    record.setBPM(QStringLiteral("99"));
    record.setupRow(window->tableWidget, -1);
    return record;
}

void RunFixture::select(const QStringList &ids)
{
    for (const QString &id : ids) {
        const int row = tableMap[libraryKey(id)].field("persistentID").row();
        window->tableWidget->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, ColumnCount - 1), true);
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
