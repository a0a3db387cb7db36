#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_spec.h"

extern const DialogSpec WelcomeDialog;
int32_t ShowWelcomeDialog(HWND parent);
INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
