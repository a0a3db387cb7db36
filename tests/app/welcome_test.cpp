// The welcome dialog as built, and its callback.
#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "app/welcome_dialog.h"
#include "support/inprocess.h"
#include "support/sandbox.h"

namespace {

struct ExpectedControl {
    int id;
    const char* windowClass;
    DWORD style;
    RECT units;  // corners in dialog units
    const char* text;
    int height96;  // font height at 96 pixels per inch; 0: the template font
    int weight;
};

const char kIntro[] =
    "This program will completely install the ZARVO Systems Quorbel v1.00 application on your computer.  "
    "You may re-run this installer later to remove/uninstall at a later time, if desired.   Do you want to "
    "continue with this Installation?  Choosing 'no' will mean we won't install Quorbel v1.00 now, but you "
    "may return here to install it in the future if you want to then.";
const char kNote[] =
    "Once you press \"Yes, let's Continue' the selected process and operations cannot be stopped.  "
    "If unsure, click \"No, Maybe Later\" button.";

const ExpectedControl kExpected[] = {
    {1001, "Static", 0x50000000, {5, 5, 195, 70}, kIntro, -10, 700},
    {1002, "Button", 0x50010000, {100, 75, 195, 115}, "Yes, let's Continue!", -13, 700},
    {1003, "Button", 0x50010000, {5, 75, 95, 115}, "No, Maybe Later", 0, 400},
    {1004, "Button", 0x50010000, {5, 120, 195, 145}, "Remove/Uninstall Program and All of Its Components", 0, 400},
    {1016, "Static", 0x50000000, {5, 150, 195, 175}, kNote, -10, 700},
};

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

class Welcome : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        FinishFlag = 0;
        WelcomeSavedFocus = 0;
        dialog = BuildDialog(WelcomeDialog, nullptr, fonts);
        ASSERT_TRUE(dialog);
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        for (HFONT f : fonts) DeleteObject(f);
        FinishFlag = 0;
    }
    HWND dialog = nullptr;
    HFONT fonts[kMaxDialogFonts] = {};
};

}  // namespace

TEST_F(Welcome, CaptionPlaceAndSize) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "ZARVO Systems Installer v1.00");
    // The position maps as a point, the size as a size (not as the far corner).
    RECT place = {215, 150, 0, 0}, size = {0, 0, 201, 179};
    MapDialogRect(dialog, &place);
    MapDialogRect(dialog, &size);
    // Without an owner the position is the client area's, from the top-left of the screen.
    RECT client;
    GetClientRect(dialog, &client);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(Welcome, EveryControlAsLaidOut) {
    int dpi = ScreenPixelsPerInch();
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const ExpectedControl& e : kExpected) {
        SCOPED_TRACE(e.id);
        HWND control = GetDlgItem(dialog, e.id);
        ASSERT_TRUE(control);
        EXPECT_EQ(control, child) << "creation (tab) order";
        child = GetWindow(child, GW_HWNDNEXT);
        char cls[32] = {};
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_EQ(lstrcmpiA(cls, e.windowClass), 0);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), e.style);
        EXPECT_EQ(GetWindowLongA(control, GWL_EXSTYLE), 0);
        EXPECT_EQ(ControlText(dialog, e.id), e.text);
        RECT expected = e.units, actual;
        MapDialogRect(dialog, &expected);
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
        LOGFONTA lf = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        int points = e.height96 ? (e.height96 == -10 ? 8 : 10) : 8;
        EXPECT_EQ(lf.lfHeight, e.height96 ? -(points * dpi) / 72 : -MulDiv(8, dpi, 72));
        if (dpi == 96 && e.height96) EXPECT_EQ(lf.lfHeight, e.height96);
        if (e.height96) EXPECT_EQ(lf.lfWeight, e.weight);
        else EXPECT_LE(lf.lfWeight, 400) << "the template font's regular face";
    }
    EXPECT_EQ(child, nullptr) << "five controls and no more";
}

TEST_F(Welcome, TheNoteIsRedOnYellow) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
        dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1016))));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 0));
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 0));
    DeleteDC(dc);
}

TEST_F(Welcome, KeepsTheFocusAcrossDeactivation) {
    ShowWindow(dialog, SW_SHOW);
    HWND no = GetDlgItem(dialog, 1003);
    SetFocus(no);
    WelcomeDialogProc(dialog, WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(WelcomeSavedFocus, no);
    SetFocus(GetDlgItem(dialog, 1004));
    WelcomeDialogProc(dialog, WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), no);
    EXPECT_EQ(WelcomeSavedFocus, nullptr);
}

TEST_F(Welcome, OtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, 1001, MAKEWPARAM(1002, BN_SETFOCUS), MAKEWPARAM(1003, 5),
                               MAKEWPARAM(1004, BN_KILLFOCUS), 1016};
    for (WPARAM command : commands) WelcomeDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
}

TEST_F(Welcome, AnEndedInstallationEndsTheDialogBeforeItIsShown) {
    DestroyWindow(dialog);
    FinishFlag = -1;
    int32_t result = ShowWelcomeDialog(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(FindOwnWindow("ZARVO Systems Installer v1.00"), nullptr);
}
