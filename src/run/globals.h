// The program's shared run state: what every dialog and procedure reads and writes.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"

const int kTableSize = 11;  // FileNames and FilePaths: indices 0 to 10

// True while an install or a removal runs: their pumps and message boxes dispatch presses of
// every open dialog, and neither may start inside the other (or inside itself).
extern bool ProcedureRunning;
extern double FinishFlag;    // 0 while work may go on; -1 or +1 once an installation ended
extern DynString* FileNames; // created by WinMain; null when out of memory
extern DynString* FilePaths;
extern HWND WelcomeSavedFocus;
extern HWND FarewellSavedFocus;
extern HWND InstallStatusSavedFocus;
extern HWND UninstallerSavedFocus;

// The command-line tail as the user typed it: taken from the wide command line, since the ANSI
// one holds a best-fit likeness of any character outside the code page (a full-width "ｄocs" as
// "docs").
void SetCommandLineTail(const wchar_t* tail);  // points into the process command line
const wchar_t* CommandLineTail();

// Both tables of kTableSize empty strings, or (out of memory) neither.
void CreateStringTables();
void ReleaseStringTables();  // frees every entry of both tables, and the tables
// True when both tables are there, created now if they were not. Every procedure that uses
// them asks first.
bool StringTablesReady();
