// The farewell dialog: what a user sees after declining.
#include "app/farewell_dialog.h"

#include "run/callback.h"
#include "run/globals.h"

static const FontSpec kFonts[] = {
    {"MS Sans Serif", 14, 700},  // C
};

static const ControlSpec kControls[] = {
    {1013, Label, 5, 10, 210, 80,
     "We hope you consider trying our product again soon!                   Best Regards,  "
     "Verlind (programmer and business owner)",
     0, kColorNotSet, kColorNotSet},
    {1014, PushButton, 5, 90, 205, 30, "OK, exit to Windows now", -1, kColorNotSet, kColorNotSet},
};

const DialogSpec FarewellDialog = {"Installation Canceled", 163, 174, 217, 125,
                                   kControls, 2, kFonts, 1};

int32_t ShowFarewellDialog(HWND parent) { return RunDialog(FarewellDialog, parent, FarewellDialogProc); }

INT_PTR CALLBACK FarewellDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    BeginCallback(dialog, message, wParam, FarewellSavedFocus);
    if (message == WM_COMMAND && IsPress(wParam, 1014)) CloseDialog(dialog, 0);
    return 0;
}
