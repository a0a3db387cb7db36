// The installation record: the install folder followed by one carriage return (13) at the
// start of the record file; what follows in the file is not part of it.
#pragma once
#include "base/dyn_string.h"
#include "fs/error_state.h"

enum RecordOpening {
    kRecordOpened,     // open on the file number, to be written
    kRecordNotOpened,  // the system would not open it (another program holds it, say): the
                       // write will fail
    kRecordRefused,    // a link (its target there or not), another reparse point or a file with
                       // more than one name or a folder is at the path, or a link above it, or
                       // the path names no file in full (a device, a stream, a name Windows
                       // trims, a path the system would get cut): writing it would write a file
                       // elsewhere. Nothing was changed.
};
// Takes a free file number and opens the record file (created empty when absent, never
// truncated; read-only when read-write access is refused), only when it is a plain file of its
// own at its path, in a folder reached through no link and held while it is opened and checked. When the process runs elevated, the record is protected: created so, or made
// so through the handle when it was already there.
RecordOpening OpenRecord(ErrorState& error, const DynString& recordPath, int* fileNumber);
// Writes the install folder and one carriage return at the start of the open record file.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder);
enum RecordState {
    kRecordAbsent,      // no file at the record's path
    kRecordUnreadable,  // a file is there but can't be opened or read (another program holds
                        // it, its user may not read it), or it is a link or a folder
    kRecordRead,
};

// The record file as the removal found it.
struct RecordCopy {
    RecordState state;
    DynString bytes;  // at most kRecordReadLimit bytes from its start
    bool trusted;     // only Administrators, SYSTEM, TrustedInstaller and this process's user
                      // may change it, as read through the handle that read it
};

// Reads the record without creating or changing it.
RecordCopy ReadRecordCopy(ErrorState& error, const DynString& recordPath);
// Deletes the record through the handle that reads it again, only while it is still what
// the copy was read from: a plain file starting with the same bytes (not a record rewritten
// in between, not a link in its place). True when it is deleted.
bool DeleteRecordIfUnchanged(ErrorState& error, const DynString& recordPath, const RecordCopy& copy);
