#pragma once

#include "folders/musicfolderscan.h"

// Brings one song found in a music folder into the library as the iTunes
// import brings a track: the record under its persistent ID is created or
// refreshed and given a row, and the tags' BPM is taken by the iTunes rule. With
// inMusicSource the record is marked as found in the user's music source
// (the "iTunes" flag); otherwise a new record is marked as not in it.
void importFolderSong(const FoundSong &song, bool inMusicSource);
