#include "app/startup.h"

#include "install/run_install.h"
#include "run/globals.h"
#include "ui/dialog_layer.h"

void ZeroProgramGlobals() {
    FinishFlag = 0;
    ProcedureRunning = false;
    FolderFailureCount = 0;
    WelcomeSavedFocus = FarewellSavedFocus = InstallStatusSavedFocus = UninstallerSavedFocus = 0;
    ActiveDialog = 0;
    OpenDialogCount = 0;
}

// The file services keep nothing per thread: the thread state is the dialog layer's.
bool AllocThreadState() { return AllocDialogThreadState(); }
void ReleaseThreadState() { ReleaseDialogThreadState(); }
