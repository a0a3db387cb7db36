#include "ui/message.h"

#include "ui/dialog_layer.h"

const char* const DefaultMessageCaption = "Quorbel";

static void SystemPause(DWORD milliseconds) { Sleep(milliseconds); }
PauseFunction Pause = SystemPause;

int ShowMessage(const char* text, UINT flags, const char* caption) {
    if (!caption || !*caption) caption = DefaultMessageCaption;
    Sleep(5);
    return MessageBoxA(nullptr, text, caption, flags);
}

LONG PumpOneMessage(DWORD milliseconds) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        HWND active = ActiveDialog;
        if (!(active && IsWindow(active) && IsDialogMessageA(active, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } else {
        Pause(milliseconds);
    }
    return OpenDialogCount;
}

void SleepMilliseconds(DWORD milliseconds) { Pause(milliseconds); }
