// The installation status dialog: the window in which the product gets installed.
#include "install/install_status_dialog.h"

#include "install/run_install.h"
#include "run/callback.h"
#include "run/globals.h"

static const FontSpec kFonts[] = {
    {"MS Sans Serif", 24, 700},  // the progress box
    {"Smudger LET", 48, 400},    // the title; a missing face is the platform's to replace
    {"Smudger LET", 16, 400},    // the product line
    {"MS Sans Serif", 14, 700},  // OK
};

static const ControlSpec kControls[] = {
    {kProgressBox, TextBox, 5, 75, 190, 25, "begin copying...", 0},
    {kProgressLabel, Label, 70, 65, 60, 10, "Installation Status", -1},
    {kInstallTitle, Label, 35, 5, 140, 40, "Welcome", 1},
    {kProductLine, Label, 15, 50, 175, 15, "Quorbel by ZARVO System  s", 2},
    {kInstallButton, PushButton, 5, 100, 190, 25, "OK", 3},
};

const DialogSpec InstallStatusDialog = {"Installing Product on your Machine now", 220, 181, 201, 130,
                                        kControls, CountOf(kControls), kFonts, CountOf(kFonts)};

int32_t ShowInstallStatusDialog(HWND owner) {
    return RunDialog(InstallStatusDialog, owner, InstallStatusDialogProc);
}

INT_PTR CALLBACK InstallStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    BeginCallback(dialog, message, wParam, InstallStatusSavedFocus);
    // Every command of the button counts, whatever its notification code.
    if (message == WM_COMMAND && LOWORD(wParam) == kInstallButton) RunInstall(dialog);
    return 0;
}
