#include "app/tagdesk.h"
#include "library/songlocation.h"
#include "library/songstore.h"

#include <QSettings>
#include <iostream>

namespace {

constexpr int songMessageMs = 4000;
constexpr int summaryMessageMs = 8000;
const QString afterBeatFindKey = QStringLiteral("writeBpmAfterBeatFind");

} // namespace

void Tagdesk::setUpTagWriting()
{
    actionWrite_BPM_after_BeatFind->setChecked(QSettings().value(afterBeatFindKey, false).toBool());
    connect(actionWrite_BPM_to_Files, &QAction::triggered, this, &Tagdesk::writeBpmToFiles);
    connect(actionWrite_BPM_after_BeatFind, &QAction::toggled, this,
            [](bool on) { QSettings().setValue(afterBeatFindKey, on); });
    connect(&tagWrites, &BpmTagQueue::fileDone, this, &Tagdesk::showBpmFileDone);
    connect(&tagWrites, &BpmTagQueue::allDone, this, &Tagdesk::showBpmWritesDone);
}

void Tagdesk::writeBpmToFiles()
{
    std::cout << "WriteBPM" << std::endl;
    int queued = 0;
    for (const std::string &key : selectedSongKeys()) {
        const DBelement *record = SongStore::library().find(key);
        if (record && queueBpmWrite(*record))
            ++queued;
    }
    if (queued == 0 && !tagWrites.isBusy())
        statusbar->showMessage(QStringLiteral("No selected song has both a file and a BPM"), summaryMessageMs);
}

void Tagdesk::writeBpmAfterBeatFind(const DBelement &record)
{
    if (actionWrite_BPM_after_BeatFind->isChecked())
        queueBpmWrite(record);
}

// A song without a file or without a BPM has nothing to write and is passed over.
bool Tagdesk::queueBpmWrite(const DBelement &record)
{
    const QString path = localSongPath(record.text(SongField::Location));
    const int bpm = record.bpm();
    if (path.isEmpty() || bpm == 0)
        return false;
    tagWrites.enqueue({record.text(SongField::Title), path, bpm, record.isProtected});
    return true;
}

void Tagdesk::showBpmFileDone(const BpmWriteRequest &request, const BpmWriteResult &result)
{
    if (result.written())
        return;
    std::cout << "BPM not written to " << request.path.toLocal8Bit().constData() << ": "
              << result.reason.toLocal8Bit().constData() << std::endl;
    statusbar->showMessage(QStringLiteral("BPM not written to %1: %2").arg(request.title, result.reason),
                           songMessageMs);
}

void Tagdesk::showBpmWritesDone(int written, int notWritten)
{
    statusbar->showMessage(
        QStringLiteral("BPM written to %1 files, %2 could not be written").arg(written).arg(notWritten),
        summaryMessageMs);
}
