#include "run/callback.h"

#include "run/globals.h"
#include "ui/dialog_layer.h"

void BeginCallback(HWND dialog, UINT message, WPARAM wParam, HWND& savedFocus) {
    if (FinishFlag != 0) CloseDialog(dialog, 0);
    if (message != WM_NCACTIVATE) return;
    if (wParam == 0) {
        savedFocus = GetFocus();
    } else if (savedFocus) {
        SetFocus(savedFocus);
        savedFocus = 0;
    }
}
