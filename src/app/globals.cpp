#include "app/globals.h"

#include <stdlib.h>

#include "install/run_install.h"
#include "ui/dialog_layer.h"

double FinishFlag = 0;
DynString* FileNames = nullptr;
DynString* FilePaths = nullptr;
HWND WelcomeSavedFocus = 0;
HWND FarewellSavedFocus = 0;
HWND InstallStatusSavedFocus = 0;
HWND UninstallerSavedFocus = 0;

static const char* gTail = "";
static DWORD gThreadSlot = TLS_OUT_OF_INDEXES;

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

void ReleaseProgramGlobals() {
    FreeTable(FileNames);
    FreeTable(FilePaths);
}

void ZeroProgramGlobals() {
    FinishFlag = 0;
    FolderFailureCount = 0;
    WelcomeSavedFocus = FarewellSavedFocus = InstallStatusSavedFocus = UninstallerSavedFocus = 0;
    ActiveDialog = 0;
    OpenDialogCount = 0;
}

bool AllocThreadState() {
    gThreadSlot = TlsAlloc();
    if (gThreadSlot == TLS_OUT_OF_INDEXES) return false;
    DialogFontSetting* font = static_cast<DialogFontSetting*>(malloc(sizeof(DialogFontSetting)));
    if (!font) {
        TlsFree(gThreadSlot);
        return false;
    }
    *font = DefaultDialogFont;
    TlsSetValue(gThreadSlot, font);
    return true;
}

void ReleaseThreadState() {
    if (gThreadSlot == TLS_OUT_OF_INDEXES) return;
    free(TlsGetValue(gThreadSlot));
    TlsFree(gThreadSlot);
    gThreadSlot = TLS_OUT_OF_INDEXES;
}
