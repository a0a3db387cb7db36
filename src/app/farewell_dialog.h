#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_table.h"

enum FarewellControl {
    kFarewellText = 1013,
    kExitButton = 1014,  // "OK, exit to Windows now"
};

extern const DialogSpec FarewellDialog;
int32_t ShowFarewellDialog(HWND parent);
INT_PTR CALLBACK FarewellDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
