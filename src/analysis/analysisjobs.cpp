#include "analysis/analysisjobs.h"

#include <QSettings>
#include <QThread>

namespace {

constexpr int mostJobs = 64;

} // namespace

int analysisJobCount(const QVariant &setting)
{
    bool isNumber = false;
    const int jobs = setting.toInt(&isNumber);
    if (isNumber && jobs >= 1 && jobs <= mostJobs)
        return jobs;
    return qBound(1, QThread::idealThreadCount(), mostJobs);
}

int analysisJobCount() { return analysisJobCount(QSettings().value(QStringLiteral("analysisJobs"))); }
