#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_spec.h"

extern const DialogSpec UninstallerDialog;
int32_t ShowUninstallerDialog(HWND owner);
INT_PTR CALLBACK UninstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
