// The installation record: the install folder followed by one carriage return (13) at the
// start of the record file; what follows in the file is not part of it.
#pragma once
#include <windows.h>

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
// What the open record file held where the record goes, before it was written: enough to put
// it back as it was.
struct RecordBefore {
    DynString bytes;     // its first bytes, as many as the record took
    LARGE_INTEGER size;  // its length
    bool known;
};
// Writes the install folder and one carriage return at the start of the open record file,
// keeping in `before` what was there.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder, RecordBefore& before);
// Puts the open record file back as it was before WriteRecord: the same bytes, the same length
// (a file this run made is empty again). For a run that refuses after writing the record.
void PutRecordBack(int fileNumber, const RecordBefore& before);
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
    HANDLE held;      // the handle that read it, when it is held (HoldRecordCopy); 0 otherwise
};

// Reads the record without creating or changing it, and lets it go; a removal may be holding it
// meanwhile, a writer may not.
RecordCopy ReadRecordCopy(ErrorState& error, const DynString& recordPath);
// Reads the record the same way and holds it until ReleaseRecord: others may read it meanwhile,
// nobody may write, replace or delete it (an install started meanwhile can't open it).
RecordCopy HoldRecordCopy(ErrorState& error, const DynString& recordPath);
void ReleaseRecord(RecordCopy& copy);
// Deletes the record only while it is still what the copy was read from: a plain file starting
// with the same bytes (not a record rewritten in between, not a link in its place). A held
// record goes through the handle that holds it; another is opened again and read. True when
// it is deleted.
bool DeleteRecordIfUnchanged(ErrorState& error, const DynString& recordPath, const RecordCopy& copy);
