#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_table.h"

enum UninstallerControl {
    kRemovalText = 1005,
    kDestroyButton = 1006,     // "OK, Destroy Now": runs the removal
    kRemovalStatusBox = 1009,  // the text box the removal writes its progress to
    kRemovalStatusLabel = 1010,
    kCancelButton = 1015,      // "Cancel Immediately"
    kCautionNote = 1017,
};

extern const DialogSpec UninstallerDialog;
int32_t ShowUninstallerDialog(HWND owner);
INT_PTR CALLBACK UninstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
