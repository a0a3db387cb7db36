#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_spec.h"

const int kProgressBox = 1007;    // the text box the install procedure writes its progress to
const int kInstallButton = 1018;  // "OK": runs the install procedure

extern const DialogSpec InstallStatusDialog;
int32_t ShowInstallStatusDialog(HWND owner);
INT_PTR CALLBACK InstallStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
