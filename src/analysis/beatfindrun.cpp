#include "app/tagdesk.h"

// Placeholder until the BPM analysis run lands.
void Tagdesk::BeatFind() {}
void Tagdesk::doBeatFind() {}
void Tagdesk::handleProcessFinished(int, QProcess::ExitStatus) {}
void Tagdesk::handleUserWantCancel() {}
