#pragma once

#include "app/tagdesk.h"
#include "standins.h"

#include <QStringList>
#include <functional>
#include <memory>

class DBelement;

// A main window set up as start-up leaves it, its BPM analysis run pointed at
// the stand-ins, the warning already accepted and an iTunes import counted as
// done, with every status message it shows recorded. Its runs take `jobs`
// songs at a time.
class RunFixture
{
public:
    explicit RunFixture(int jobs = 1);

    // A shown song under this persistent ID with the BPM 99.
    // A shown song with the BPM 99; more sets what else the test needs.
    const DBelement &addSong(const QString &id, const QString &title, const QString &location,
                             const std::function<void(DBelement &)> &more = {});
    // Adds the songs' rows to the selection, in this order.
    void select(const QStringList &ids);
    // Runs BeatFind and waits for the run to end; false when it did not.
    bool runToEnd();
    bool waitForEnd();
    bool isIdle() const;
    // The calls of the stand-ins, first words only ("convert", "analyse").
    QStringList callKinds() const;

    StandIns standIns;
    std::unique_ptr<Tagdesk> window;
    QStringList messages;
};
