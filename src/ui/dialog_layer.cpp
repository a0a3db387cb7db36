#include "ui/dialog_layer.h"

#include <stdlib.h>
#include <string.h>

const DialogFontSetting DefaultDialogFont = {"MS Sans Serif", 8};

volatile LONG OpenDialogCount = 0;
HWND ActiveDialog = 0;

static HINSTANCE gInstance = 0;
static DWORD gThreadSlot = TLS_OUT_OF_INDEXES;
static WindowRecord* gRecords = nullptr;  // newest first
static volatile LONG gRecordLock = 0;

void SetDialogLayerInstance(HINSTANCE instance) { gInstance = instance; }

bool AllocDialogThreadState() {
    gThreadSlot = TlsAlloc();
    if (gThreadSlot == TLS_OUT_OF_INDEXES) return false;
    DialogFontSetting* font = static_cast<DialogFontSetting*>(malloc(sizeof(DialogFontSetting)));
    if (!font) {
        TlsFree(gThreadSlot);
        gThreadSlot = TLS_OUT_OF_INDEXES;
        return false;
    }
    *font = DefaultDialogFont;
    TlsSetValue(gThreadSlot, font);
    return true;
}

void ReleaseDialogThreadState() {
    if (gThreadSlot == TLS_OUT_OF_INDEXES) return;
    free(TlsGetValue(gThreadSlot));
    TlsFree(gThreadSlot);
    gThreadSlot = TLS_OUT_OF_INDEXES;
}

static DialogFontSetting* ThreadFont() {
    if (gThreadSlot == TLS_OUT_OF_INDEXES) return nullptr;
    return static_cast<DialogFontSetting*>(TlsGetValue(gThreadSlot));
}

DialogFontSetting TemplateFont() {
    const DialogFontSetting* font = ThreadFont();
    return font ? *font : DefaultDialogFont;
}

void SetTemplateFont(const DialogFontSetting& font) {
    if (DialogFontSetting* current = ThreadFont()) *current = font;
}

static HINSTANCE Instance() {
    if (!gInstance) gInstance = GetModuleHandleA(nullptr);
    return gInstance;
}

// The lock is held for one list walk only and never across a call into Windows: a
// message sent from inside would re-enter the layer on this same thread.
static void Lock() {
    while (InterlockedExchange(&gRecordLock, -1) != 0) {
    }
}
static void Unlock() { InterlockedExchange(&gRecordLock, 0); }

static WindowRecord* FindLocked(HWND window) {
    for (WindowRecord* r = gRecords; r; r = r->next)
        if (r->window == window) return r;
    return nullptr;
}

bool LookupWindowRecord(HWND window, WindowRecord* copy) {
    Lock();
    WindowRecord* r = FindLocked(window);
    if (r && copy) *copy = *r;
    Unlock();
    return r != nullptr;
}

// A new record, no colours set and no callback yet, at the head of the list.
static void InsertRecord(HWND window, HWND parent, DWORD flags, int showCommand, HFONT font,
                         ControlKind kind, DWORD style) {
    WindowRecord* r = static_cast<WindowRecord*>(calloc(1, sizeof(WindowRecord)));
    if (!r) return;
    r->window = window;
    r->parent = parent;
    r->flags = flags;
    r->showCommand = showCommand;
    r->font = font;
    r->background = kColorNotSet;
    r->textColor = kColorNotSet;
    r->kind = kind;
    r->style = style;
    Lock();
    r->next = gRecords;
    gRecords = r;
    Unlock();
}

// A brush stays while any remaining record has the same background colour with a brush.
static bool BrushStillUsed(LONG background) {
    bool used = false;
    Lock();
    for (WindowRecord* r = gRecords; r && !used; r = r->next)
        used = r->brush && r->background == background;
    Unlock();
    return used;
}

static void ReleaseBrush(HBRUSH brush, LONG background) {
    if (brush && !BrushStillUsed(background)) DeleteObject(brush);
}

// Unlinks the first record that matches (a control of dialog, or dialog itself).
static WindowRecord* UnlinkOne(HWND dialog, bool control) {
    Lock();
    WindowRecord** link = &gRecords;
    WindowRecord* found = nullptr;
    for (; *link; link = &(*link)->next) {
        WindowRecord* r = *link;
        bool match = control ? ((r->flags & kRecordControl) && r->parent == dialog)
                             : r->window == dialog;
        if (match) {
            *link = r->next;
            found = r;
            break;
        }
    }
    Unlock();
    return found;
}

// The controls' records go first, then the dialog's own, one at a time, so that a brush
// shared within the dialog is deleted with the last record that uses it.
static void FreeRecord(WindowRecord* r) {
    ReleaseBrush(r->brush, r->background);
    free(r);
}

static void FreeDialogRecords(HWND dialog) {
    while (WindowRecord* r = UnlinkOne(dialog, true)) FreeRecord(r);
    if (WindowRecord* r = UnlinkOne(dialog, false)) FreeRecord(r);
}

static int ShowCommandFor(DWORD style) {
    if (style & WS_MAXIMIZE) return SW_SHOWMAXIMIZED;
    if (style & WS_MINIMIZE) return SW_MINIMIZE;
    return SW_SHOW;
}

size_t MakeDialogTemplate(BYTE* buffer, DWORD style, DWORD exStyle, int x, int y, int width,
                          int height) {
    // DLGTEMPLATE, no menu, the predefined dialog class, a blank title, then the font.
    memset(buffer, 0, kDialogTemplateSize);
    DLGTEMPLATE* t = reinterpret_cast<DLGTEMPLATE*>(buffer);
    t->style = style;
    t->dwExtendedStyle = exStyle;
    t->cdit = 0;
    t->x = static_cast<short>(x);
    t->y = static_cast<short>(y);
    t->cx = static_cast<short>(width);
    t->cy = static_cast<short>(height);
    WORD* w = reinterpret_cast<WORD*>(buffer + sizeof(DLGTEMPLATE));
    WORD* end = reinterpret_cast<WORD*>(buffer + kDialogTemplateSize) - 1;
    *w++ = 0;
    *w++ = 0;
    *w++ = L' ';
    *w++ = 0;
    const DialogFontSetting font = TemplateFont();
    *w++ = static_cast<WORD>(font.points);
    for (const char* f = font.face; *f && w < end; ++f)
        *w++ = static_cast<unsigned char>(*f);
    *w++ = 0;
    return reinterpret_cast<BYTE*>(w) - buffer;
}

HWND NewDialog(HWND owner, const char* caption, int x, int y, int width, int height,
               DWORD style, DWORD exStyle) {
    if (style == 0) style = kDefaultDialogStyle;
    // Always the template font; hidden until shown, never system-modal.
    style = (style | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK) & ~(WS_VISIBLE | DS_SYSMODAL);

    alignas(4) BYTE buffer[kDialogTemplateSize];
    MakeDialogTemplate(buffer, style, exStyle, x, y, width, height);
    const DLGTEMPLATE* t = reinterpret_cast<const DLGTEMPLATE*>(buffer);
    HWND dialog = CreateDialogIndirectParamA(Instance(), t, owner, DialogLayerProc, 0);
    SetWindowTextA(dialog, caption);
    if (dialog)
        InsertRecord(dialog, owner, kRecordDialog | kRecordDialogUnits, ShowCommandFor(style),
                     reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                     DialogRecordKind, style);
    return dialog;
}

struct KindRow {
    const char* windowClass;
    DWORD defaultStyle;
    DWORD alwaysAdded;
};
static const KindRow kKinds[] = {
    {nullptr, 0, 0},
    {"STATIC", WS_CHILD | WS_VISIBLE | SS_LEFT, WS_CHILD | WS_VISIBLE},
    {"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, WS_CHILD | WS_VISIBLE},
    {"EDIT", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, WS_CHILD | WS_VISIBLE},
};

HWND AddControl(HWND dialog, ControlKind kind, int id, const char* text, int x, int y,
                int width, int height, DWORD style, DWORD exStyle) {
    WindowRecord dialogRecord;
    if (kind < Label || kind > TextBox) return 0;
    if (!LookupWindowRecord(dialog, &dialogRecord) || !(dialogRecord.flags & kRecordDialog))
        return 0;

    RECT rc = {x, y, x + width, y + height};  // corners are converted, not the size
    MapDialogRect(dialog, &rc);

    const KindRow& row = kKinds[kind];
    if (style == 0) {
        style = row.defaultStyle;
        if (kind == TextBox) {  // a sunken edge instead of a line border
            style &= ~static_cast<DWORD>(WS_BORDER);
            exStyle |= WS_EX_CLIENTEDGE;
        }
    }
    style |= row.alwaysAdded;

    HWND control = CreateWindowExA(exStyle, row.windowClass, text, style, rc.left, rc.top,
                                   rc.right - rc.left, rc.bottom - rc.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   Instance(), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogRecord.font), TRUE);
    if (control)
        InsertRecord(control, dialog, kRecordControl | kRecordDialogUnits, SW_SHOW,
                     dialogRecord.font, kind, style);
    return control;
}

void SetControlColor(HWND dialog, int id, LONG textColor, LONG backgroundColor) {
    LONG text = textColor < 0 ? kSystemColor : (textColor & 0xFFFFFF);
    LONG back = backgroundColor == kTransparent ? kTransparent
              : backgroundColor < 0             ? kSystemColor
                                                : (backgroundColor & 0xFFFFFF);
    HWND control = ControlHandle(dialog, id);
    WindowRecord old;
    if (!LookupWindowRecord(control, &old)) return;

    HBRUSH brush = nullptr;
    if (back >= 0) {
        Lock();
        for (WindowRecord* r = gRecords; r && !brush; r = r->next)
            if (r->brush && r->background == back) brush = r->brush;
        Unlock();
        if (!brush) brush = CreateSolidBrush(static_cast<COLORREF>(back));
        if (!brush) back = kSystemColor;
    }
    Lock();
    if (WindowRecord* r = FindLocked(control)) {
        r->brush = brush;
        r->textColor = text;
        r->background = back;
    }
    Unlock();
    if (old.brush != brush) ReleaseBrush(old.brush, old.background);
}

HFONT MakeDialogFont(const char* face, int points, int weight) {
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    LOGFONTA font = {};
    font.lfHeight = -(points * pixelsPerInch) / 72;  // truncated toward zero
    font.lfWeight = weight ? weight : FW_NORMAL;
    for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) font.lfFaceName[i] = face[i];
    return CreateFontIndirectA(&font);
}

void SetControlFont(HWND dialog, int id, HFONT font) {
    SendMessageA(ControlHandle(dialog, id), WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
}

HWND ControlHandle(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void SetControlText(HWND dialog, int id, const char* text) {
    SetWindowTextA(ControlHandle(dialog, id), text);
}

void ShowDialogModal(HWND dialog, DialogCallback callback, int32_t& result) {
    WindowRecord record;
    bool hasRecord = LookupWindowRecord(dialog, &record);
    if (callback) {
        // The callback's opening calls, before the dialog is visible.
        callback(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(dialog), 0);
        RECT client = {};
        GetClientRect(dialog, &client);
        int show = hasRecord ? record.showCommand : SW_SHOW;
        WPARAM sizeType = show == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED
                        : show == SW_MINIMIZE      ? SIZE_MINIMIZED
                                                   : SIZE_RESTORED;
        callback(dialog, WM_SIZE, sizeType, MAKELPARAM(client.right, client.bottom));
    }

    int showCommand = SW_SHOW;
    Lock();
    WindowRecord* r = FindLocked(dialog);
    if (r) {
        r->callback = callback;
        r->flags |= kRecordModal;
        r->result = &result;
        showCommand = r->showCommand;
    }
    Unlock();
    if (!r) return;

    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, GWLP_HWNDPARENT));
    if (owner) {
        SendMessageA(owner, WM_CANCELMODE, 0, 0);
        EnableWindow(owner, FALSE);
    }
    ShowWindow(dialog, showCommand);

    // Polls rather than blocks: 1 ms of sleep whenever the queue is empty.
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (owner)
                SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dialog));
            Sleep(1);
            continue;
        }
        if (!IsWindow(dialog)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!IsWindow(dialog)) break;
    }
    if (owner) SetFocus(owner);
}

void CloseDialog(HWND dialog, int32_t result) {
    // A dialog is ended once, with the result of the first request: the WM_CLOSE and the
    // destruction messages below re-enter callbacks that may ask again.
    Lock();
    WindowRecord* r = FindLocked(dialog);
    bool ending = r && (r->flags & kRecordEnding);
    if (r) r->flags |= kRecordEnding;
    Unlock();
    if (ending) return;

    SendMessageA(dialog, WM_CLOSE, 0, 0);
    HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(dialog, GWLP_HWNDPARENT));
    bool ownerWasDisabled = owner && EnableWindow(owner, TRUE);
    Lock();
    r = FindLocked(dialog);
    if (r && r->result) *r->result = result;
    Unlock();
    if (!DestroyWindow(dialog) && ownerWasDisabled) EnableWindow(owner, FALSE);
}

struct SystemColors {
    int text, background;
};
// WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC
static const SystemColors kControlColors[] = {
    {COLOR_MENUTEXT, COLOR_MENU},          {COLOR_WINDOWTEXT, COLOR_WINDOW},
    {COLOR_WINDOWTEXT, COLOR_WINDOW},      {COLOR_BTNTEXT, COLOR_BTNFACE},
    {COLOR_WINDOWTEXT, COLOR_BTNFACE},     {COLOR_WINDOWTEXT, COLOR_SCROLLBAR},
    {COLOR_WINDOWTEXT, COLOR_BTNFACE},
};

static INT_PTR AnswerControlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord r;
    if (!LookupWindowRecord(reinterpret_cast<HWND>(lParam), &r)) return FALSE;
    if (r.textColor == kColorNotSet) return FALSE;
    HDC dc = reinterpret_cast<HDC>(wParam);
    const SystemColors& system = kControlColors[message - WM_CTLCOLORMSGBOX];
    SetTextColor(dc, r.textColor == kSystemColor ? GetSysColor(system.text)
                                                 : static_cast<COLORREF>(r.textColor));
    if (r.background >= 0) {
        SetBkColor(dc, static_cast<COLORREF>(r.background));
        return reinterpret_cast<INT_PTR>(r.brush);
    }
    if (r.background == kSystemColor) {
        SetBkColor(dc, GetSysColor(system.background));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(system.background));
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

INT_PTR CALLBACK DialogLayerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) InterlockedIncrement(&OpenDialogCount);
    if (message == WM_DESTROY) InterlockedDecrement(&OpenDialogCount);
    if (message == WM_ACTIVATE) {
        // Answered here: the callbacks keep the focus themselves on WM_NCACTIVATE.
        WORD state = LOWORD(wParam);
        if (state == WA_ACTIVE || state == WA_CLICKACTIVE) {
            ActiveDialog = dialog;
            return TRUE;
        }
        if (state == WA_INACTIVE) {
            ActiveDialog = 0;
            return TRUE;
        }
    }

    WindowRecord record;
    if (LookupWindowRecord(dialog, &record)) {
        INT_PTR handled = record.callback ? record.callback(dialog, message, wParam, lParam) : 0;
        if (message == WM_NCDESTROY) FreeDialogRecords(dialog);
        if (handled) {
            if (GetWindowLongPtrA(dialog, DWLP_MSGRESULT) == 0)
                SetWindowLongPtrA(dialog, DWLP_MSGRESULT, handled);
            return handled;
        }
    }

    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        return AnswerControlColor(message, wParam, lParam);
    if (message == WM_SYSCOMMAND && (LOWORD(wParam) & 0xFFF0) == SC_CLOSE) {
        CloseDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
