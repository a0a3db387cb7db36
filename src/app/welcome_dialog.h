#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_table.h"

enum WelcomeControl {
    kWelcomeText = 1001,
    kContinueButton = 1002,  // "Yes, let's Continue!": the installation status dialog
    kLaterButton = 1003,     // "No, Maybe Later": the farewell dialog
    kRemoveButton = 1004,    // "Remove/Uninstall ...": the uninstaller dialog
    kWelcomeNote = 1016,
};

extern const DialogSpec WelcomeDialog;
int32_t ShowWelcomeDialog(HWND parent);
INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
