#include "support/dialog_checks.h"

#include <gtest/gtest.h>

#include "run/globals.h"
#include "support/driver.h"
#include "support/inprocess.h"
#include "support/sandbox.h"

namespace {

void ExpectSameRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

// The control's window rectangle in its dialog's client coordinates.
RECT PlaceInDialog(HWND dialog, HWND control) {
    RECT rc = {};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

void DialogAsBuilt::SetUp() {
    EnterSandboxDrive();
    FinishFlag = 0;
    savedFocus = 0;
    dialog = BuildDialog(layout, nullptr, fonts);
    ASSERT_TRUE(dialog);
}

void DialogAsBuilt::TearDown() {
    if (IsWindow(dialog)) DestroyWindow(dialog);
    for (HFONT f : fonts) DeleteObject(f);
    FinishFlag = 0;
    savedFocus = 0;
}

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

LOGFONTA FontOf(HFONT font) {
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

LOGFONTA FontOf(HWND control) {
    return FontOf(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
}

void ExpectDialogPlace(HWND dialog, const char* caption, int x, int y, int width, int height) {
    SCOPED_TRACE(caption);
    char text[256] = {};
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, caption);

    // The position maps as a point, the size as a size: mapping the far corner and
    // subtracting can be a pixel off at 120 pixels per inch.
    RECT place = {x, y, 0, 0}, size = {0, 0, width, height};
    MapDialogRect(dialog, &place);
    MapDialogRect(dialog, &size);
    // Without an owner the position is the client area's, from the top-left of the screen.
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    RECT client = {};
    GetClientRect(dialog, &client);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & kDefaultDialogStyle, kDefaultDialogStyle);
    EXPECT_EQ(style & WS_SYSMENU, 0u) << "no close box";
    EXPECT_EQ(style & WS_VISIBLE, 0u) << "hidden until shown";
    // Only what the system adds to every dialog: no extended style of its own.
    EXPECT_EQ(GetWindowLongA(dialog, GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT), 0);
}

void ExpectControlFont(HWND dialog, int id, const ExpectedFont& expected) {
    SCOPED_TRACE(expected.face ? expected.face : "the template font");
    int dpi = ScreenPixelsPerInch();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(dialog, id), WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
    if (!expected.face) {
        EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        EXPECT_EQ(lf.lfHeight, -MulDiv(8, dpi, 72));
        EXPECT_LE(lf.lfWeight, 400) << "the template font's regular face";
        return;
    }
    EXPECT_STREQ(lf.lfFaceName, expected.face);
    EXPECT_EQ(lf.lfHeight, -(expected.points * dpi) / 72);  // truncated toward zero
    EXPECT_EQ(lf.lfWeight, expected.weight);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    EXPECT_EQ(lf.lfCharSet, 0);
}

void ExpectControlsAsLaidOut(HWND dialog, const ExpectedControl* rows, int count) {
    HWND child = GetWindow(dialog, GW_CHILD);
    for (int i = 0; i < count; ++i) {
        const ExpectedControl& e = rows[i];
        SCOPED_TRACE(e.id);
        HWND control = GetDlgItem(dialog, e.id);
        ASSERT_TRUE(control);
        EXPECT_EQ(control, child) << "creation (tab) order";
        child = GetWindow(child, GW_HWNDNEXT);
        char cls[32] = {};
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_EQ(lstrcmpiA(cls, e.windowClass), 0) << cls;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), e.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)), e.exStyle);
        EXPECT_TRUE(IsWindowEnabled(control));
        EXPECT_EQ(ControlText(dialog, e.id), e.text);
        RECT expected = e.units;
        MapDialogRect(dialog, &expected);
        ExpectSameRect(PlaceInDialog(dialog, control), expected);
        ExpectControlFont(dialog, e.id, e.font);
    }
    EXPECT_EQ(child, nullptr) << "the dialog has more controls than the " << count << " expected";
}

void ExpectRedOnYellow(HWND dialog, int id) {
    SCOPED_TRACE(id);
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
        dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 0));
    LOGBRUSH lb = {};
    EXPECT_TRUE(GetObjectA(brush, sizeof lb, &lb)) << "a brush";
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 0));
    DeleteDC(dc);
}

void ExpectFocusKeptAcrossDeactivation(HWND dialog, DialogCallback callback, HWND& savedFocus, HWND keep,
                                       HWND elsewhere) {
    ASSERT_TRUE(keep);
    ASSERT_NE(keep, elsewhere);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(keep);
    callback(dialog, WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(savedFocus, keep);
    SetFocus(elsewhere);
    callback(dialog, WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), keep);
    EXPECT_EQ(savedFocus, nullptr);
}

void ExpectLaidOutAsBuiltHere(HWND theirs, const DialogSpec& layout) {
    SCOPED_TRACE(layout.caption);
    HFONT fonts[kMaxDialogFonts] = {};
    HWND twin = BuildDialog(layout, nullptr, fonts);
    ASSERT_TRUE(twin);
    for (int i = 0; i < layout.controlCount; ++i) {
        const ControlSpec& c = layout.controls[i];
        SCOPED_TRACE(c.id);
        HWND control = GetDlgItem(theirs, c.id);
        EXPECT_TRUE(control);
        if (!control) continue;
        EXPECT_TRUE(IsWindowVisible(control));
        EXPECT_EQ(WindowText(control), c.text);
        ExpectSameRect(PlaceInDialog(theirs, control), PlaceInDialog(twin, GetDlgItem(twin, c.id)));
    }
    POINT twinOrigin = {0, 0}, origin = {0, 0};
    ClientToScreen(twin, &twinOrigin);
    ClientToScreen(theirs, &origin);
    EXPECT_EQ(origin.x, twinOrigin.x);
    EXPECT_EQ(origin.y, twinOrigin.y);
    RECT twinClient = {}, client = {};
    GetClientRect(twin, &twinClient);
    GetClientRect(theirs, &client);
    ExpectSameRect(client, twinClient);
    DestroyWindow(twin);
    for (HFONT f : fonts) DeleteObject(f);
}
