#include "app/startup.h"

#include <windows.h>
#include <stdlib.h>

#include "install/run_install.h"
#include "run/globals.h"
#include "ui/dialog_layer.h"

static DWORD gThreadSlot = TLS_OUT_OF_INDEXES;

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
