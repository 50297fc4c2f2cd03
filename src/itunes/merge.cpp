#include "app/tagdesk.h"

// Placeholder until the merge lands.
void Tagdesk::mergeEdit() {}
void Tagdesk::doMerge() {}
