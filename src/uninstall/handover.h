// The hand-over: the last step of a removal that runs from the installed copy. A running
// program can't delete its own file, so a copy of it in a folder of its own in the temp
// folder waits until the removal's process has ended, deletes that file, removes the emptied
// install folder and deletes the record last. The copy shows no window and runs no dialog.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"

// The environment variable that makes a process the hand-over: the value, in decimal, of
// the inherited handle of the process it takes over from. A command line can't carry it.
constexpr const char* kHandOverVariable = "QBINSTALLER100_HANDOVER";
// Shortens (never lengthens) the time the hand-over keeps trying to delete the program
// file, in milliseconds.
constexpr const char* kHandOverRetryVariable = "QBINSTALLER100_HANDOVER_RETRY_MS";
constexpr DWORD kHandOverRetryLimit = 30000;
// The name of the hand-over's own folder in the temp folder begins with this.
constexpr const char* kHandOverFolderPrefix = "QBinstaller100-handover-";

// The removal's side. Called once the removal has deleted what it could and a product file
// is left: when that file is the running program itself, <installFolder>\QBinstaller100.exe,
// and the four other product files are gone, starts the hand-over and returns true; the
// removal then reports success and leaves the record to the hand-over. False otherwise
// (the program runs from another copy, something else is left, or the hand-over can't be
// started), and nothing has changed.
bool StartHandOver(const DynString& installFolder);

// The copy's side. True when this process was started as a hand-over (the variable is set).
bool IsHandOver();
// Does the hand-over's work and returns the exit code: 0 when it ran (the record is left
// when the program file stayed), 1 when it refused: the variable names no other process of
// this program, or once that process has ended the record does not name its folder. A
// refusal deletes nothing.
UINT RunHandOver();
