#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_spec.h"

extern const DialogSpec FarewellDialog;
int32_t ShowFarewellDialog(HWND parent);
INT_PTR CALLBACK FarewellDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
