#include "support/inprocess.h"

#include <map>

static MessageBoxAnswerer* gAnswerer = nullptr;
static HHOOK gHook = nullptr;
static HWND gLastBox = nullptr;

static LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && gAnswerer) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char cls[32] = {};
        GetClassNameA(box, cls, sizeof cls);
        HWND textControl = GetDlgItem(box, 0xFFFF);
        if (lstrcmpiA(cls, "#32770") == 0 && textControl && box != gLastBox) {
            gLastBox = box;
            SeenBox seen;
            char buffer[1024] = {};
            GetWindowTextA(box, buffer, sizeof buffer);
            seen.caption = buffer;
            GetWindowTextA(textControl, buffer, sizeof buffer);
            seen.text = buffer;
            gAnswerer->boxes.push_back(seen);
            if (gAnswerer->onBox) gAnswerer->onBox(seen);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

MessageBoxAnswerer::MessageBoxAnswerer() {
    gAnswerer = this;
    gLastBox = nullptr;
    gHook = SetWindowsHookExA(WH_CBT, AnswerBoxes, nullptr, GetCurrentThreadId());
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    UnhookWindowsHookEx(gHook);
    gHook = nullptr;
    gAnswerer = nullptr;
}

std::vector<std::string> BoxTexts(const std::vector<SeenBox>& boxes) {
    std::vector<std::string> texts;
    for (const SeenBox& b : boxes) texts.push_back(b.text);
    return texts;
}

static std::map<HWND, TextRecorder*> gRecorders;

static LRESULT CALLBACK RecordText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TextRecorder* r = gRecorders[window];
    if (message == WM_SETTEXT && lParam) r->texts.push_back(reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(r->original, window, message, wParam, lParam);
}

TextRecorder::TextRecorder(HWND c) : control(c) {
    gRecorders[control] = this;
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordText)));
}

TextRecorder::~TextRecorder() {
    if (IsWindow(control)) SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    gRecorders.erase(control);
}

static std::map<UINT_PTR, std::function<void()>> gActions;

static void CALLBACK RunAction(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::function<void()> action = gActions[id];
    gActions.erase(id);
    action();
}

void WhenRunning(std::function<void()> action) {
    UINT_PTR id = SetTimer(nullptr, 0, 10, RunAction);
    gActions[id] = action;
}

struct FindData {
    const char* caption;
    HWND found;
};

static BOOL CALLBACK MatchCaption(HWND window, LPARAM lParam) {
    FindData* data = reinterpret_cast<FindData*>(lParam);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (lstrcmpA(text, data->caption) == 0) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOwnWindow(const char* caption) {
    FindData data = {caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string ControlText(HWND dialog, int id) {
    char text[1024] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}
