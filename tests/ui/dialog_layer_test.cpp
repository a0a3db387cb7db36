// The dialog layer on real windows, in this process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/dialog_checks.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"

namespace {

HWND NewTestDialog() { return NewDialog(nullptr, "layer test", 10, 10, 200, 150, 0, 0); }

RECT ChildRect(HWND dialog, HWND control) {
    RECT rc;
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void ExpectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

// The messages a callback receives, and what it does with them.
struct Trace {
    std::vector<UINT> messages;
    std::vector<bool> visible;
    WPARAM initWParam = 0;
    LPARAM sizeLParam = 0;
    int closeRequests = 0;
    bool closeAgain = false;  // ask to end the dialog again on every message once ending
};
Trace* gTrace = nullptr;

INT_PTR CALLBACK TracingCallback(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    gTrace->messages.push_back(message);
    gTrace->visible.push_back(IsWindowVisible(dialog) != 0);
    if (message == WM_INITDIALOG && gTrace->messages.size() == 1) gTrace->initWParam = wParam;
    if (message == WM_SIZE) gTrace->sizeLParam = lParam;
    if (gTrace->closeAgain && (message == WM_CLOSE || message == WM_DESTROY || message == WM_NCDESTROY)) {
        ++gTrace->closeRequests;
        CloseDialog(dialog, 5);
    }
    return 0;
}

int Count(const std::vector<UINT>& messages, UINT message) {
    int n = 0;
    for (UINT m : messages) n += m == message;
    return n;
}

class DialogLayer : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        trace = Trace();
        gTrace = &trace;
    }
    Trace trace;
};

}  // namespace

TEST_F(DialogLayer, DialogIsCreatedHiddenWithTheDefaultStyleAndNoCloseBox) {
    HWND dialog = NewTestDialog();
    ASSERT_TRUE(dialog);
    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & kDefaultDialogStyle, kDefaultDialogStyle);
    EXPECT_EQ(style & (WS_SYSMENU | WS_VISIBLE | DS_SYSMODAL), 0u);
    WindowRecord record;
    ASSERT_TRUE(LookupWindowRecord(dialog, &record));
    EXPECT_EQ(record.style, kDefaultDialogStyle);
    EXPECT_EQ(record.flags, kRecordDialog | kRecordDialogUnits);
    EXPECT_EQ(record.showCommand, SW_SHOW);
    EXPECT_EQ(record.background, kColorNotSet);
    EXPECT_EQ(record.textColor, kColorNotSet);
    EXPECT_EQ(record.font, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "layer test");
    // The template font: 8-point "MS Sans Serif".
    LOGFONTA lf = FontOf(record.font);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, ScreenPixelsPerInch(), 72));
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, StyleArgumentsAlwaysHideTheDialogAndSetItsFont) {
    HWND dialog = NewDialog(nullptr, "styled", 0, 0, 50, 50, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SYSMODAL, 0);
    ASSERT_TRUE(dialog);
    WindowRecord record;
    ASSERT_TRUE(LookupWindowRecord(dialog, &record));
    EXPECT_EQ(record.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK));
    EXPECT_FALSE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, ControlsTakeTheirKindsDefaultStylesAndTheTemplateFont) {
    struct KindCase {
        ControlKind kind;
        const char* windowClass;
        DWORD style;
        DWORD exStyle;
    };
    const KindCase cases[] = {
        {Label, "Static", kLabelStyle, 0},
        {PushButton, "Button", kButtonStyle, 0},
        {TextBox, "Edit", kTextBoxStyle, WS_EX_CLIENTEDGE},
    };
    HWND dialog = NewTestDialog();
    int id = 1100;
    for (const KindCase& c : cases) {
        HWND control = AddControl(dialog, c.kind, ++id, "text", 5, 5, 50, 20, 0, 0);
        ASSERT_TRUE(control);
        char cls[32] = {};
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_EQ(lstrcmpiA(cls, c.windowClass), 0) << cls;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), c.style) << cls;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)), c.exStyle) << cls;
        EXPECT_EQ(GetDlgCtrlID(control), id);
        EXPECT_EQ(ControlHandle(dialog, id), control);
        WindowRecord record;
        ASSERT_TRUE(LookupWindowRecord(control, &record));
        EXPECT_EQ(record.flags, kRecordControl | kRecordDialogUnits);
        EXPECT_EQ(record.parent, dialog);
        EXPECT_EQ(record.kind, c.kind);
        EXPECT_EQ(SendMessageA(control, WM_GETFONT, 0, 0), SendMessageA(dialog, WM_GETFONT, 0, 0));
    }
    // A style of the caller's own gets WS_CHILD | WS_VISIBLE added and nothing removed.
    HWND own = AddControl(dialog, Label, 1200, "", 0, 0, 10, 10, SS_CENTER | WS_BORDER, 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(own, GWL_STYLE)),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_CENTER | WS_BORDER));
    EXPECT_EQ(GetWindowLongA(own, GWL_EXSTYLE), 0);
    EXPECT_EQ(AddControl(nullptr, Label, 1300, "", 0, 0, 1, 1, 0, 0), nullptr);
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, AControlCoversThePixelsOfItsMappedCorners) {
    HWND dialog = NewTestDialog();
    const RECT cases[] = {{5, 75, 95, 115}, {100, 75, 195, 115}, {5, 150, 195, 175}, {3, 7, 4, 8}};
    int id = 1000;
    for (const RECT& units : cases) {
        HWND control = AddControl(dialog, PushButton, ++id, "", units.left, units.top,
                                  units.right - units.left, units.bottom - units.top, 0, 0);
        RECT expected = units;
        MapDialogRect(dialog, &expected);
        ExpectRect(ChildRect(dialog, control), expected);
    }
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, FontHeightsFollowTheScreensPixelsPerInch) {
    int dpi = ScreenPixelsPerInch();
    if (const char* expected = getenv("QB_EXPECT_DPI")) EXPECT_EQ(dpi, atoi(expected));
    struct FontCase {
        int points, at96, at120;
    };
    const FontCase cases[] = {{8, -10, -13}, {10, -13, -16}, {14, -18, -23},
                              {16, -21, -26}, {24, -32, -40}, {48, -64, -80}};
    for (const FontCase& c : cases) {
        HFONT font = MakeDialogFont("MS Sans Serif", c.points, 700);
        ASSERT_TRUE(font);
        LOGFONTA lf = FontOf(font);
        EXPECT_EQ(lf.lfHeight, -(c.points * dpi) / 72) << c.points;
        if (dpi == 96) EXPECT_EQ(lf.lfHeight, c.at96) << c.points;
        if (dpi == 120) EXPECT_EQ(lf.lfHeight, c.at120) << c.points;
        EXPECT_EQ(lf.lfWeight, 700);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(lf.lfWidth | lf.lfEscapement | lf.lfOrientation, 0);
        EXPECT_EQ(lf.lfItalic | lf.lfUnderline | lf.lfStrikeOut | lf.lfCharSet, 0);
        EXPECT_EQ(lf.lfOutPrecision | lf.lfClipPrecision | lf.lfQuality | lf.lfPitchAndFamily, 0);
        DeleteObject(font);
    }
}

TEST_F(DialogLayer, FontWeightZeroIsNormalAndLongFacesAreCut) {
    HFONT normal = MakeDialogFont("MS Sans Serif", 8, 0);
    EXPECT_EQ(FontOf(normal).lfWeight, 400);
    DeleteObject(normal);
    std::string face(40, 'F');
    HFONT cut = MakeDialogFont(face.c_str(), 8, 700);
    EXPECT_EQ(std::string(FontOf(cut).lfFaceName), std::string(31, 'F'));
    DeleteObject(cut);
}

TEST_F(DialogLayer, OpeningCallsComeFirstAndWindowsOwnInitNeverReachesTheCallback) {
    HWND dialog = NewTestDialog();
    LONG countBefore = OpenDialogCount;
    int32_t result = 77;
    WhenRunning([&] {
        EXPECT_TRUE(IsWindowVisible(dialog));
        CloseDialog(dialog, 3);
    });
    ShowDialogModal(dialog, TracingCallback, result);
    ASSERT_GE(trace.messages.size(), 2u);
    EXPECT_EQ(trace.messages[0], static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(trace.initWParam, reinterpret_cast<WPARAM>(dialog));
    EXPECT_EQ(trace.messages[1], static_cast<UINT>(WM_SIZE));
    EXPECT_FALSE(trace.visible[0]);
    EXPECT_FALSE(trace.visible[1]);
    HWND twin = NewTestDialog();
    RECT client;
    GetClientRect(twin, &client);
    EXPECT_EQ(LOWORD(trace.sizeLParam), client.right);
    EXPECT_EQ(HIWORD(trace.sizeLParam), client.bottom);
    DestroyWindow(twin);
    EXPECT_EQ(Count(trace.messages, WM_INITDIALOG), 1);
    EXPECT_EQ(Count(trace.messages, WM_ACTIVATE), 0);
    EXPECT_EQ(Count(trace.messages, WM_CLOSE), 1);
    EXPECT_EQ(Count(trace.messages, WM_DESTROY), 1);
    EXPECT_EQ(Count(trace.messages, WM_NCDESTROY), 1);
    EXPECT_EQ(result, 3);
    EXPECT_EQ(OpenDialogCount, countBefore - 1);
    EXPECT_FALSE(LookupWindowRecord(dialog, nullptr));
}

TEST_F(DialogLayer, EscapeDoesNothingAndSystemCloseEndsWithZero) {
    HWND dialog = NewTestDialog();
    HWND edit = AddControl(dialog, TextBox, 1101, "", 5, 5, 50, 12, 0, 0);
    int32_t result = 77;
    bool stillOpenAfterEscape = false;
    WhenRunning([&] {
        SetFocus(edit);
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        WhenRunning([&] {
            stillOpenAfterEscape = IsWindow(dialog) != 0;
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    });
    ShowDialogModal(dialog, TracingCallback, result);
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(result, 0);
}

TEST_F(DialogLayer, ADialogIsEndedOnceWithTheFirstResult) {
    trace.closeAgain = true;
    HWND dialog = NewTestDialog();
    int32_t result = 77;
    WhenRunning([&] { CloseDialog(dialog, 7); });
    ShowDialogModal(dialog, TracingCallback, result);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(trace.closeRequests, 3);  // on WM_CLOSE, WM_DESTROY and WM_NCDESTROY
    EXPECT_EQ(Count(trace.messages, WM_CLOSE), 1);
    EXPECT_EQ(Count(trace.messages, WM_DESTROY), 1);
    // A request for a dialog that is gone changes nothing.
    CloseDialog(dialog, 9);
    EXPECT_EQ(result, 7);
}

TEST_F(DialogLayer, ADialogThatFailedToExistGetsItsOpeningCallsAndReturns) {
    int32_t result = 0;
    ShowDialogModal(nullptr, TracingCallback, result);
    ASSERT_EQ(trace.messages.size(), 2u);
    EXPECT_EQ(trace.messages[0], static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(trace.messages[1], static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(result, 0);
}

TEST_F(DialogLayer, ColouredLabelsAnswerTheirColourMessage) {
    HWND dialog = NewTestDialog();
    struct ColourCase {
        LONG text, background;
        COLORREF expectText, expectBack;
        bool transparent;
    };
    const ColourCase cases[] = {
        {0x0000FF, 0x00FFFF, RGB(255, 0, 0), RGB(255, 255, 0), false},
        {static_cast<LONG>(0x7F0000FF), static_cast<LONG>(0x0100FFFF), RGB(255, 0, 0), RGB(255, 255, 0), false},
        {-1, -1, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_BTNFACE), false},
        {-7, -2, GetSysColor(COLOR_WINDOWTEXT), 0, true},
    };
    HDC dc = CreateCompatibleDC(nullptr);
    int id = 1100;
    for (const ColourCase& c : cases) {
        HWND label = AddControl(dialog, Label, ++id, "note", 5, 5, 50, 20, 0, 0);
        SetControlColor(dialog, id, c.text, c.background);
        SetBkMode(dc, OPAQUE);
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
        EXPECT_EQ(GetTextColor(dc), c.expectText) << id;
        if (c.transparent) {
            EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
            EXPECT_EQ(brush, GetStockObject(NULL_BRUSH));
        } else {
            EXPECT_EQ(GetBkColor(dc), c.expectBack) << id;
            LOGBRUSH lb = {};
            ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb)) << id;
            EXPECT_EQ(lb.lbColor, c.expectBack) << id;
        }
    }
    // A label without colours is left to Windows: the layer does not handle it.
    HWND plain = AddControl(dialog, Label, 1200, "plain", 5, 5, 50, 20, 0, 0);
    EXPECT_EQ(DialogLayerProc(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain)), 0);
    DeleteDC(dc);
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, BrushesAreSharedAndDeletedWithTheirLastRecord) {
    HWND first = NewTestDialog();
    HWND second = NewTestDialog();
    HWND a = AddControl(first, Label, 1101, "a", 0, 0, 10, 10, 0, 0);
    HWND b = AddControl(second, Label, 1102, "b", 0, 0, 10, 10, 0, 0);
    HWND c = AddControl(second, Label, 1103, "c", 0, 0, 10, 10, 0, 0);
    SetControlColor(first, 1101, 0x0000FF, 0x00FFFF);
    SetControlColor(second, 1102, 0x0000FF, 0x00FFFF);
    SetControlColor(second, 1103, 0x000000, 0x00FFFF);
    WindowRecord ra, rb, rc;
    ASSERT_TRUE(LookupWindowRecord(a, &ra) && LookupWindowRecord(b, &rb) && LookupWindowRecord(c, &rc));
    ASSERT_TRUE(ra.brush);
    EXPECT_EQ(ra.brush, rb.brush);
    EXPECT_EQ(ra.brush, rc.brush);
    DestroyWindow(first);
    EXPECT_EQ(GetObjectType(ra.brush), static_cast<DWORD>(OBJ_BRUSH)) << "still used by the second dialog";
    DestroyWindow(second);
    EXPECT_EQ(GetObjectType(ra.brush), 0u) << "deleted with the last record that used it";
}

TEST_F(DialogLayer, SetControlTextAndUnknownIdsDoNothingHarmful) {
    HWND dialog = NewTestDialog();
    AddControl(dialog, TextBox, 1101, "before", 0, 0, 50, 10, 0, 0);
    SetControlText(dialog, 1101, "after");
    EXPECT_EQ(ControlText(dialog, 1101), "after");
    SetControlText(dialog, 1999, "nowhere");
    SetControlColor(dialog, 1999, 0, 0);
    SetControlFont(dialog, 1999, nullptr);
    EXPECT_EQ(ControlHandle(dialog, 1999), nullptr);
    DestroyWindow(dialog);
}

TEST_F(DialogLayer, ActiveDialogFollowsActivation) {
    HWND dialog = NewTestDialog();
    int32_t result = 0;
    HWND seen = nullptr;
    WhenRunning([&] {
        SetActiveWindow(dialog);
        seen = ActiveDialog;
        CloseDialog(dialog, 0);
    });
    ShowDialogModal(dialog, TracingCallback, result);
    EXPECT_EQ(seen, dialog);
}
