#include "app/tagdesk.h"

// Placeholder until the iTunes import lands.
int Tagdesk::loadItunes() { return -1; }
void Tagdesk::processItunes() {}
void Tagdesk::from_iTunesSync() { loadItunes(); }
