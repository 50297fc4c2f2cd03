#pragma once

#include <QString>

// Why a BPM was or was not written into an audio file.
enum class BpmWriteStatus {
    Written,
    InvalidBpm, // not a BPM this program keeps (50 to 200)
    Protected, // a protected song; its file is never touched
    Missing, // no file at the path
    NotAFile, // a folder or some other thing that is no regular file
    UnknownFormat, // not a kind of file whose tag is written here
    ReadOnlyFile, // the file has no write permission
    ReadOnlyFolder, // its folder cannot take the new copy
    HardLinked, // other names share the file; a new copy would split them
    OtherOwner, // the new copy could not keep the file's owner, group or access list
    Busy, // another program is writing this file's tag right now
    NotReadable, // damaged, empty, or not the kind its name says
    TagNotKept, // its tag holds something a save would lose; the file is left as it is
    Changed, // replaced or altered while its tag was being written
    WriteFailed, // reading, copying or saving failed (a full disk, say)
};

struct BpmWriteResult
{
    BpmWriteStatus status = BpmWriteStatus::Written;
    // What went wrong, in words for a message; empty when written.
    QString reason;

    bool written() const { return status == BpmWriteStatus::Written; }
};

// The result for a song whose file must not be written because it is protected.
BpmWriteResult protectedSongResult();

// Writes a whole-number BPM into the tag of the audio file at `path` (see
// setBpmInTag for where it goes in each format) and changes nothing else: a
// tag holding anything the save would lose is refused (TagNotKept).
// Safe to call from any thread, one call per file at a time.
//
// The original is never written in place: the file is copied into an unnamed
// file in its folder, the tag is saved in the copy, the copy is flushed to
// disk, given the original's permissions, owner, group and extended
// attributes (an access list among them), and renamed over
// the original, which is checked first to be the very file that was copied.
// On any failure the original stays untouched and the copy is gone. A process
// killed between naming the copy and the rename leaves the complete copy as
// the hidden file ".<file name>.bpmwrite", never mistaken for audio; the next
// write of that file removes it. A symbolic link is followed and the file it
// points to is written. A file with other hard links is refused rather than
// split from them.
BpmWriteResult writeBpmTag(const QString &path, int bpm);
