// The hand-over: the last step of a removal that runs from the installed copy. A running
// program can't delete its own file, so a copy of it in a folder of its own in the temp
// folder waits until the removal's process has ended, deletes that file, removes the emptied
// install folder and deletes the record last. The copy shows no window and runs no dialog.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"
#include "uninstall/removal_scope.h"

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
// is left: when that file is the running program itself (the same file, however the record
// spells its folder) and the four other product files are gone, starts the hand-over, waits
// until the copy has seen what this process runs, and returns true; the removal then reports success and leaves the record to the hand-over.
// False otherwise (the program runs from another copy, something else is left, or the
// hand-over can't be started), and nothing has changed.
bool StartHandOver(const Removal& removal);

// The copy's side. True when this process is a hand-over: the variable names an inherited
// handle of another process whose image is the program file in the folder the record names.
// The copy has then judged that folder, as the removal does, and holds it. Either way the
// variable is gone from this process's environment, so that no process it starts sees it.
bool BeginHandOver();
// Waits for the removal's process to end, then deletes the program file, removes the folder
// where the judgement allows it and deletes the record last, if it is unchanged; deletes
// earlier hand-overs' folders that no process uses any more. Returns the exit code: 0 when
// it ran (the record is left when the program file stayed), 1 when it refused because the
// record changed meanwhile; a refusal deletes nothing of the product's.
UINT RunHandOver();

// Deletes the folders of earlier hand-overs in the temp folder (all but this process's own)
// that hold nothing but the program file, which no process runs any more.
void DeleteEarlierHandOvers();
