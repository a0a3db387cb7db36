// The installation record: the install folder followed by one carriage return (13) at the
// start of the record file; what follows in the file is not part of it.
#pragma once
#include "base/dyn_string.h"
#include "fs/error_state.h"

// Takes a free file number and opens the record file (created empty when absent, never
// truncated; read-only when read-write access is refused). Returns the file number. When
// the process runs elevated, the record is protected: created so, or made so through the
// handle when it was already there.
int OpenRecord(ErrorState& error, const DynString& recordPath);
// Writes the install folder and one carriage return at the start of the open record file.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder);
// Reads the record at recordPath (at most 255 bytes from offset 0). False, with an empty
// folder, when there is no record: the file is absent, unreadable, or holds no carriage
// return in those bytes. *trusted, when asked for, tells whether only Administrators,
// SYSTEM, TrustedInstaller and this process's user may change the file, as read through
// the handle that read the record.
bool ReadRecord(ErrorState& error, const DynString& recordPath, DynString& installFolder, bool* trusted = nullptr);
