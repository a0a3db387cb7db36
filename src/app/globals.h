// The process-wide values that start-up fills in and the program's global variables.
#pragma once
#include <windows.h>

#include "base/dyn_string.h"

const int kTableSize = 11;  // FileNames and FilePaths: indices 0 to 10

extern double FinishFlag;    // 0 while work may go on; -1 or +1 once an installation ended
extern DynString* FileNames; // created by WinMain
extern DynString* FilePaths;
extern HWND WelcomeSavedFocus;
extern HWND FarewellSavedFocus;
extern HWND InstallStatusSavedFocus;
extern HWND UninstallerSavedFocus;

// Start-up values.
void SetCommandLineTail(const char* tail);  // points into the process command line
DynString CommandLineTail();                // a new string with the same text every time

void ZeroProgramGlobals();
void CreateStringTables();
void ReleaseProgramGlobals();  // frees every entry of both tables, and the tables

// The per-thread state: the current template font of the dialog layer.
bool AllocThreadState();
void ReleaseThreadState();

int WINAPI WinMain(HINSTANCE module, HINSTANCE previous, LPSTR tail, int showCommand);
