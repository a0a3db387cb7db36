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
// The name of the hand-over's own folder in the temp folder begins with this.
constexpr const char* kHandOverFolderPrefix = "QBinstaller100-handover-";

// The removal's side. Called once the removal has deleted what it could and a product file
// is left: when that file is the running program itself (the same file, however the record
// spells its folder) and no other product file is left, copies the program, by wide names,
// into a new hand-over folder of the temp folder and starts the copy; returns true once the
// copy has taken over (it has judged the folder and holds it), within 60 seconds. The
// removal then lets go of the folder without touching it again, reports success and leaves
// the rest to the copy. False otherwise (the program runs from another copy, something else
// is left, another process runs the program file too, or the copy can't be made, started,
// or take over in time; a copy that has not taken over is ended, before it has done
// anything), and nothing of the product's has changed.
bool StartHandOver(const Removal& removal);

// The copy's side. True when this process is a hand-over: the variable names an inherited
// handle of another process, and this program runs from a hand-over folder of the temp
// folder. The copy then takes over when that process runs the program file of the folder the
// record names: it judges the folder, as the removal does, holds it, and lets the removal's
// wait end. A hand-over shows no window, whether it took over or not. Either way the variable
// is gone from this process's environment, so that no process it starts sees it.
bool BeginHandOver();
// What a hand-over's copy does once it has seen what the removal's process runs, just before
// it judges and holds the folder: nothing. A test build puts a step of its own there, the
// moment at which only the removal holds the folder.
typedef void (*HandOverStep)();
extern HandOverStep BeforeTakingOver;

// Waits for the removal's process to end, then deletes the program file (trying for about
// 30 seconds, paced through SleepMilliseconds), removes the folder where the judgement allows
// it and deletes the record last, if it is unchanged; deletes earlier hand-overs' folders that
// no process uses any more. Returns the exit code: 0 when it ran (the record is left when the
// program file stayed), 1 when it had not taken over or refused because the record changed
// meanwhile; a refusal deletes nothing of the product's.
UINT RunHandOver();

// Deletes the folders of earlier hand-overs in the temp folder (all but this process's own)
// that hold nothing but the program file, which no process runs any more.
void DeleteEarlierHandOvers();
