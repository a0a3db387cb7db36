#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_table.h"

enum InstallStatusControl {
    kProgressBox = 1007,  // the text box the install procedure writes its progress to
    kProgressLabel = 1008,
    kInstallTitle = 1011,
    kProductLine = 1012,
    kInstallButton = 1018,  // "OK": runs the install procedure
};

extern const DialogSpec InstallStatusDialog;
int32_t ShowInstallStatusDialog(HWND owner);
INT_PTR CALLBACK InstallStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
