// The dialog layer: dialogs built at run time from in-memory templates, controls by
// kind, control colours and fonts, the per-dialog callback and the polling modal loop.
#pragma once
#include <windows.h>
#include <stdint.h>

enum ControlKind { DialogRecordKind = 0, Label = 1, PushButton = 2, TextBox = 3 };

// (dialog, message, wParam, lParam) -> 0 meaning not handled.
typedef INT_PTR(CALLBACK* DialogCallback)(HWND, UINT, WPARAM, LPARAM);

// Colours: COLORREF values, or one of these.
const LONG kSystemColor = -1;
const LONG kTransparent = -2;  // background only
const LONG kColorNotSet = -3;

const DWORD kDefaultDialogStyle =
    WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;

// WindowRecord flags.
const DWORD kRecordDialogUnits = 0x0001;
const DWORD kRecordModal = 0x0400;
const DWORD kRecordEnding = 0x0800;  // CloseDialog is under way: later requests are ignored
const DWORD kRecordControl = 0x2000;
const DWORD kRecordDialog = 0x4000;

struct WindowRecord {
    WindowRecord* next;
    HWND window;
    HWND parent;  // a dialog's owner, a control's dialog
    DWORD flags;
    int showCommand;
    HFONT font;
    DialogCallback callback;
    int32_t* result;
    HBRUSH brush;
    LONG background;
    LONG textColor;
    ControlKind kind;
    DWORD style;
};

// The template font every dialog names, and through it the size of a dialog unit.
struct DialogFontSetting {
    const char* face;
    int points;
};
extern const DialogFontSetting DefaultDialogFont;  // "MS Sans Serif", 8 points

// The layer's per-thread state: the thread's current template font, DefaultDialogFont
// until set. Start-up allocates it; false when it cannot be allocated. A thread without it
// (a test, say) gets DefaultDialogFont.
bool AllocDialogThreadState();
void ReleaseDialogThreadState();
DialogFontSetting TemplateFont();
void SetTemplateFont(const DialogFontSetting& font);  // does nothing without the state
void SetDialogLayerInstance(HINSTANCE instance);

extern volatile LONG OpenDialogCount;
extern HWND ActiveDialog;

// The in-memory template NewDialog creates a dialog from: no controls, no menu, the
// predefined class, a blank title and the template font. Returns its length in bytes.
const size_t kDialogTemplateSize = 512;
size_t MakeDialogTemplate(BYTE* buffer, DWORD style, DWORD exStyle, int x, int y, int width,
                          int height);
HWND NewDialog(HWND owner, const char* caption, int x, int y, int width, int height,
               DWORD style, DWORD exStyle);
HWND AddControl(HWND dialog, ControlKind kind, int id, const char* text, int x, int y,
                int width, int height, DWORD style, DWORD exStyle);
void SetControlColor(HWND dialog, int id, LONG textColor, LONG backgroundColor);
HFONT MakeDialogFont(const char* face, int points, int weight);
void SetControlFont(HWND dialog, int id, HFONT font);
void ShowDialogModal(HWND dialog, DialogCallback callback, int32_t& result);
void CloseDialog(HWND dialog, int32_t result);
HWND ControlHandle(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const char* text);
INT_PTR CALLBACK DialogLayerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A copy of the record of a window, for inspection; false when it has none.
bool LookupWindowRecord(HWND window, WindowRecord* copy);
