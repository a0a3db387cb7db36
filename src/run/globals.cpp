#include "run/globals.h"

#include <stdlib.h>

#include <new>

bool ProcedureRunning = false;
double FinishFlag = 0;
DynString* FileNames = nullptr;
DynString* FilePaths = nullptr;
HWND WelcomeSavedFocus = 0;
HWND FarewellSavedFocus = 0;
HWND InstallStatusSavedFocus = 0;
HWND UninstallerSavedFocus = 0;

static const wchar_t* gTail = L"";

void SetCommandLineTail(const wchar_t* tail) { gTail = tail ? tail : L""; }
const wchar_t* CommandLineTail() { return gTail; }

// A table of empty strings, each constructed in its place; null when out of memory.
static DynString* NewTable() {
    DynString* table = static_cast<DynString*>(calloc(kTableSize, sizeof(DynString)));
    if (table)
        for (int i = 0; i < kTableSize; ++i) new (&table[i]) DynString();
    return table;
}

static void FreeTable(DynString*& table) {
    if (!table) return;
    for (int i = 0; i < kTableSize; ++i) table[i].~DynString();
    free(table);
    table = nullptr;
}

void CreateStringTables() {
    ReleaseStringTables();
    FileNames = NewTable();
    FilePaths = NewTable();
    if (!FileNames || !FilePaths) ReleaseStringTables();  // both or neither
}

bool StringTablesReady() {
    if (!FileNames || !FilePaths) CreateStringTables();
    return FileNames && FilePaths;
}

void ReleaseStringTables() {
    FreeTable(FileNames);
    FreeTable(FilePaths);
}
