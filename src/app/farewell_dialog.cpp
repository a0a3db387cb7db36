// The farewell dialog: what a user sees after declining.
#include "app/farewell_dialog.h"

#include "run/callback.h"
#include "run/globals.h"

static const FontSpec kFonts[] = {
    {"MS Sans Serif", 14, 700},  // C
};

static const ControlSpec kControls[] = {
    {kFarewellText, Label, 5, 10, 210, 80,
     "We hope you consider trying our product again soon!                   Best Regards,  "
     "Verlind (programmer and business owner)",
     0},
    {kExitButton, PushButton, 5, 90, 205, 30, "OK, exit to Windows now", -1},
};

const DialogSpec FarewellDialog = {"Installation Canceled", 163, 174, 217, 125,
                                   kControls, CountOf(kControls), kFonts, CountOf(kFonts)};

int32_t ShowFarewellDialog(HWND parent) { return RunDialog(FarewellDialog, parent, FarewellDialogProc); }

INT_PTR CALLBACK FarewellDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    BeginCallback(dialog, message, wParam, FarewellSavedFocus);
    if (message == WM_COMMAND && IsPress(wParam, kExitButton)) CloseDialog(dialog, 0);
    return 0;
}
