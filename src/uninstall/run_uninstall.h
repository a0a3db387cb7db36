// The removal of an installed copy of the product, run inside the uninstaller dialog.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "fs/error_state.h"

extern const char* const kUninstallSuccess;     // "Uninstallation Successful!"
extern const char* const kUninstallIncomplete;  // some product file is still there

// Reads the install folder from the record file and decides how much of it may go (the
// product's files only when others may change the record or the folder).
RemovalScope PlanRemoval(ErrorState& error, DynString& installFolder);

// Reads the record, deletes the product's files (and, where that is safe, every other plain
// file) in the recorded folder over six paced passes that show their progress in the
// dialog's status box, deletes the record, removes the folder, reports the outcome and ends
// the dialog with 0. A call while a removal is already running does nothing, and so does
// one when the string tables cannot be had.
void RunUninstall(HWND dialog);

// The dialog whose removal is running, 0 while none runs.
HWND UninstallingDialog();
