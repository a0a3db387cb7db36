// The install procedure: runs inside the installation status dialog's callback when its
// "OK" button is pressed.
#pragma once
#include <windows.h>

// How many times making the install folder has failed in this process; only grows. The
// tenth failure is no longer tolerated.
extern double FolderFailureCount;

// Makes the install folder, writes the installation record, copies the five product files
// from the staging folder, deletes four staged copies and reports the outcome. Afterwards
// FinishFlag is nonzero, so every open dialog ends at its next message. A press of "OK"
// that reaches the dialog while a run is going on is ignored; so is one when the string
// tables cannot be had.
void RunInstall(HWND dialog);
