// How the program calls Windows about files and folders: with the system's own error boxes
// off, and with a last-error value that belongs to the call.
#pragma once
#include <windows.h>

#include "fs/error_state.h"

// No "insert a disk" box for a drive without media, no box for a file that cannot be opened.
const UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Called after every call about files, when set: a test build stops the program there, as a
// power cut would, to show that every step leaves a state a later run can finish. Null in the
// program itself.
extern void (*AfterSystemCall)();

// Runs call() in the quiet error mode with a cleared last-error value, and returns the
// last-error value read right after it.
template <typename Call>
DWORD SystemCall(Call call) {
    UINT previous = SetErrorMode(kQuietErrorMode);
    SetLastError(0);
    call();
    DWORD code = GetLastError();
    SetErrorMode(previous);
    if (AfterSystemCall) AfterSystemCall();
    return code;
}

// Closes a handle on a file or folder as a call about files: a delete marked through the
// handle lands here.
inline void CloseFileHandle(HANDLE handle) {
    SystemCall([&] { CloseHandle(handle); });
}

// Records the error number of a Windows error code; a call that reported failure without
// saying why (code 0) still counts as a failure. Static, so that each file that calls it has
// its own copy, which the compiler calls more cheaply than a shared one.
static inline void RecordSystemError(ErrorState& error, DWORD code) {
    RecordError(error, code != 0 ? MapSystemError(code) : 51);
}
