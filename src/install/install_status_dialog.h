#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_layer.h"

extern const DialogSpec InstallStatusDialog;
int32_t ShowInstallStatusDialog(HWND owner);
INT_PTR CALLBACK InstallStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
