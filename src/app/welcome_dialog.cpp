// The welcome dialog: the run's one top-level choice.
#include "app/welcome_dialog.h"

#include "app/farewell_dialog.h"
#include "install/install_status_dialog.h"
#include "run/callback.h"
#include "run/globals.h"
#include "uninstall/uninstaller_dialog.h"

static const FontSpec kFonts[] = {
    {"MS Sans Serif", 8, 700},   // A
    {"MS Sans Serif", 10, 700},  // B
};

static const ControlSpec kControls[] = {
    {kWelcomeText, Label, 5, 5, 190, 65,
     "This program will completely install the ZARVO Systems Quorbel v1.00 application on your "
     "computer.  You may re-run this installer later to remove/uninstall at a later time, if "
     "desired.   Do you want to continue with this Installation?  Choosing 'no' will mean we "
     "won't install Quorbel v1.00 now, but you may return here to install it in the future if "
     "you want to then.",
     0},
    {kContinueButton, PushButton, 100, 75, 95, 40, "Yes, let's Continue!", 1},
    {kLaterButton, PushButton, 5, 75, 90, 40, "No, Maybe Later", -1},
    {kRemoveButton, PushButton, 5, 120, 190, 25, "Remove/Uninstall Program and All of Its Components", -1},
    {kWelcomeNote, Label, 5, 150, 190, 25,
     "Once you press \"Yes, let's Continue' the selected process and operations cannot be "
     "stopped.  If unsure, click \"No, Maybe Later\" button.",
     0, kNoteTextColor, kNoteBackgroundColor},
};

const DialogSpec WelcomeDialog = {"ZARVO Systems Installer v1.00", 215, 150, 201, 179,
                                  kControls, CountOf(kControls), kFonts, CountOf(kFonts)};

int32_t ShowWelcomeDialog(HWND parent) { return RunDialog(WelcomeDialog, parent, WelcomeDialogProc); }

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    BeginCallback(dialog, message, wParam, WelcomeSavedFocus);
    if (message != WM_COMMAND) return 0;
    // Each follow-on dialog has no owner, so this dialog stays usable underneath it.
    typedef int32_t (*FollowOn)(HWND);
    FollowOn next = IsPress(wParam, kContinueButton) ? ShowInstallStatusDialog
                  : IsPress(wParam, kLaterButton)    ? ShowFarewellDialog
                  : IsPress(wParam, kRemoveButton)   ? ShowUninstallerDialog
                                                     : nullptr;
    if (next) {
        next(nullptr);
        CloseDialog(dialog, 0);
    }
    return 0;
}
