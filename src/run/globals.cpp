#include "run/globals.h"

#include <stdlib.h>

bool ProcedureRunning = false;
double FinishFlag = 0;
DynString* FileNames = nullptr;
DynString* FilePaths = nullptr;
HWND WelcomeSavedFocus = 0;
HWND FarewellSavedFocus = 0;
HWND InstallStatusSavedFocus = 0;
HWND UninstallerSavedFocus = 0;

static const char* gTail = "";

void SetCommandLineTail(const char* tail) { gTail = tail ? tail : ""; }
DynString CommandLineTail() { return DynString(gTail); }

// A table of empty strings is all zero bytes.
static DynString* NewTable() { return static_cast<DynString*>(calloc(kTableSize, sizeof(DynString))); }

static void FreeTable(DynString*& table) {
    if (!table) return;
    for (int i = 0; i < kTableSize; ++i) table[i].Clear();
    free(table);
    table = nullptr;
}

void CreateStringTables() {
    FreeTable(FileNames);
    FreeTable(FilePaths);
    FileNames = NewTable();
    FilePaths = NewTable();
}

void ReleaseStringTables() {
    FreeTable(FileNames);
    FreeTable(FilePaths);
}
