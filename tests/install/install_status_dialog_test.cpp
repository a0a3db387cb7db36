// The installation status dialog as built, and its callback.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "install/install_status_dialog.h"
#include "support/inprocess.h"
#include "support/sandbox.h"

namespace {

struct ExpectedControl {
    int id;
    const char* windowClass;
    DWORD style;
    DWORD exStyle;
    RECT units;  // corners in dialog units
    const char* text;
    const char* face;  // nullptr: the template font
    int points;
    int weight;
};

const ExpectedControl kExpected[] = {
    {1007, "Edit", 0x50010080, WS_EX_CLIENTEDGE, {5, 75, 195, 100}, "begin copying...", "MS Sans Serif", 24, 700},
    {1008, "Static", 0x50000000, 0, {70, 65, 130, 75}, "Installation Status", nullptr, 8, 0},
    {1011, "Static", 0x50000000, 0, {35, 5, 175, 45}, "Welcome", "Smudger LET", 48, 400},
    {1012, "Static", 0x50000000, 0, {15, 50, 190, 65}, "Quorbel by ZARVO System  s", "Smudger LET", 16, 400},
    {1018, "Button", 0x50010000, 0, {5, 100, 195, 125}, "OK", "MS Sans Serif", 14, 700},
};

const char kCaption[] = "Installing Product on your Machine now";

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

class InstallStatus : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        FinishFlag = 0;
        InstallStatusSavedFocus = 0;
        dialog = BuildDialog(InstallStatusDialog, nullptr, fonts);
        ASSERT_TRUE(dialog);
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        for (HFONT f : fonts) DeleteObject(f);
        FinishFlag = 0;
        InstallStatusSavedFocus = 0;
    }
    HWND dialog = nullptr;
    HFONT fonts[kMaxDialogFonts] = {};
};

}  // namespace

TEST_F(InstallStatus, CaptionPlaceAndSize) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, kCaption);
    RECT place = {220, 181, 220 + 201, 181 + 130};
    MapDialogRect(dialog, &place);
    RECT client;
    GetClientRect(dialog, &client);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, place.right - place.left);
    EXPECT_EQ(client.bottom, place.bottom - place.top);
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0) << "no close box";
}

TEST_F(InstallStatus, EveryControlAsLaidOut) {
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
        EXPECT_EQ(lstrcmpiA(cls, e.windowClass), 0) << cls;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), e.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)), e.exStyle);
        EXPECT_EQ(ControlText(dialog, e.id), e.text);
        RECT expected = e.units, actual;
        MapDialogRect(dialog, &expected);
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);

        HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        LOGFONTA lf = {};
        ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
        if (!e.face) {
            EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
            EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
            continue;
        }
        EXPECT_STREQ(lf.lfFaceName, e.face);
        EXPECT_EQ(lf.lfHeight, -(e.points * dpi) / 72);
        EXPECT_EQ(lf.lfWeight, e.weight);
        EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    }
    EXPECT_EQ(child, nullptr) << "five controls and no more";
}

TEST_F(InstallStatus, KeepsTheFocusAcrossDeactivation) {
    ShowWindow(dialog, SW_SHOW);
    HWND ok = GetDlgItem(dialog, 1018);
    SetFocus(ok);
    InstallStatusDialogProc(dialog, WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(InstallStatusSavedFocus, ok);
    SetFocus(GetDlgItem(dialog, 1007));
    InstallStatusDialogProc(dialog, WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), ok);
    EXPECT_EQ(InstallStatusSavedFocus, nullptr);
}

TEST_F(InstallStatus, OtherCommandsStartNothing) {
    const WPARAM commands[] = {IDOK, IDCANCEL, 1007, MAKEWPARAM(1007, EN_CHANGE), 1008, 1011, 1012};
    for (WPARAM command : commands) InstallStatusDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(ControlText(dialog, 1007), "begin copying...");
}

TEST_F(InstallStatus, AnEndedInstallationEndsTheDialogBeforeItIsShown) {
    DestroyWindow(dialog);
    FinishFlag = 1;
    EXPECT_EQ(ShowInstallStatusDialog(nullptr), 0);
    EXPECT_EQ(FindOwnWindow(kCaption), nullptr);
}
