// What every dialog callback of the system does before it looks at a message.
#pragma once
#include <windows.h>

// Ends the dialog when an installation has ended (FinishFlag nonzero), then keeps the
// keyboard focus across deactivation: saved on WM_NCACTIVATE with wParam 0, given back
// (and the saved handle cleared) on reactivation.
void BeginCallback(HWND dialog, UINT message, WPARAM wParam, HWND& savedFocus);

// A push button counts as pressed when its command comes with notification code 0 or 1.
inline bool IsPress(WPARAM wParam, int id) { return LOWORD(wParam) == id && HIWORD(wParam) <= 1; }
