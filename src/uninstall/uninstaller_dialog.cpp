// The uninstaller dialog: the confirmation and progress window of a removal.
#include "uninstall/uninstaller_dialog.h"

#include "run/callback.h"
#include "run/globals.h"
#include "uninstall/run_uninstall.h"

static const FontSpec kFonts[] = {
    {"MS Sans Serif", 8, 700},
    {"MS Sans Serif", 24, 700},
    {"MS Sans Serif", 14, 700},
    {"MS Sans Serif", 10, 700},
};

static const ControlSpec kControls[] = {
    {kRemovalText, Label, 10, 10, 185, 40,
     "The ZARVO Systems Quorbel v1.00 is being removed from your computer.  If you wish to use "
     "this product again, you must reinstall it from a download or removable media.",
     0},
    {kDestroyButton, PushButton, 105, 90, 90, 40, "OK, Destroy Now", -1},
    {kRemovalStatusBox, TextBox, 5, 65, 190, 25, "Perfng Reqd Oper", 1},
    {kRemovalStatusLabel, Label, 20, 50, 160, 15, "Status of Uninstallation:", 2},
    {kCancelButton, PushButton, 5, 90, 90, 40, "Cancel Immediately", 0},
    {kCautionNote, Label, 5, 130, 190, 30,
     "Note: Use caution when clicking \"Ok, Destroy Now\".  If unsure, choose \"Cancel "
     "Immediately\"",
     3, kNoteTextColor, kNoteBackgroundColor},
};

const DialogSpec UninstallerDialog = {"Quorbel v1.00 Program Uninstaller", 101, 177, 201, 165,
                                      kControls, CountOf(kControls), kFonts, CountOf(kFonts)};

int32_t ShowUninstallerDialog(HWND owner) {
    return RunDialog(UninstallerDialog, owner, UninstallerDialogProc);
}

INT_PTR CALLBACK UninstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    BeginCallback(dialog, message, wParam, UninstallerSavedFocus);
    if (UninstallingDialog() == dialog) {
        // While this dialog's removal runs, a cancel would only hide the removal, not stop
        // it: "Cancel Immediately" and the close command wait until it has ended.
        if (message == WM_SYSCOMMAND && (LOWORD(wParam) & 0xFFF0) == SC_CLOSE) return TRUE;
        return 0;
    }
    if (message != WM_COMMAND) return 0;
    if (IsPress(wParam, kDestroyButton)) {
        RunUninstall(dialog);  // ends the dialog itself
    } else if (LOWORD(wParam) == kCancelButton) {
        CloseDialog(dialog, 0);
    }
    return 0;
}
