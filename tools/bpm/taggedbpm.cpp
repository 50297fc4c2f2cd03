#include "taggedbpm.h"

#include "library/bpmrange.h"
#include "tags/tagbpmtext.h"
#include "tags/tagreader.h"

#include <QFile>

int taggedBpm(const QString &path)
{
    const std::optional<SongTags> tags = readSongTags(QFile::encodeName(path));
    if (!tags)
        return 0;
    const int bpm = bpmFromTagText(tags->bpm);
    // The full range is the one a record holds; anything else is no tempo.
    return BpmRange().contains(bpm) ? bpm : 0;
}
