// File services: raw file open, read, write and close by file number, deletion by name or
// pattern, folder creation and removal, file copy. A failed operation never throws and
// never shows anything: it records an error number in the caller's ErrorState and returns.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "base/dyn_string.h"
#include "fs/error_state.h"

// The next file number (1..32767) not in use; the counter never restarts from the bottom.
int FreeFileNumber();
// Read-write, exclusive, an existing file opened without truncation, an absent one created;
// falls back to read-only access. A new file is only ever made where nothing is, never through
// a link whose target is missing. With a protection descriptor, a new file is created with it,
// and the handle asks for WRITE_DAC first (a file whose DACL can't be changed is opened as
// without one), so that the caller may protect a file that was already there. `flags` are
// further CreateFileA flags (FILE_FLAG_OPEN_REPARSE_POINT: a link is opened, not followed).
void OpenRaw(ErrorState& error, const DynString& path, int fileNumber, PSECURITY_DESCRIPTOR protection = nullptr,
             DWORD flags = 0);
// The system's handle of an open file number; INVALID_HANDLE_VALUE when it is not open.
HANDLE SystemHandle(int fileNumber);
// True when OpenRaw made the open file number's file: nothing was there before.
bool OpenedNew(int fileNumber);
// At most count bytes from the current position, in one system read; "" on failure.
DynString ReadBytes(ErrorState& error, int fileNumber, uint32_t count);
// Exactly the bytes of text at the current position, in one system write.
void WriteBytes(ErrorState& error, int fileNumber, const DynString& text);
void CloseFile(ErrorState& error, int fileNumber);
// Every plain file the path or pattern names; a path ending in "\" or ":" names the folder's entries.
void DeleteFiles(ErrorState& error, const DynString& pathOrPattern);
// With a protection descriptor, the folder is created with it (a folder already there keeps its own).
void MakeFolder(ErrorState& error, const DynString& path, PSECURITY_DESCRIPTOR protection = nullptr);
void RemoveFolder(ErrorState& error, const DynString& path);
// Overwrites an existing target.
void CopyOneFile(ErrorState& error, const DynString& source, const DynString& target);
// Closes every file still open (at process exit).
void CloseAllFiles();
