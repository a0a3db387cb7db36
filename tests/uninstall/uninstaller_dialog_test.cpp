// The uninstaller dialog as built, and what its buttons do before any removal.
#include <gtest/gtest.h>

#include <string>

#include "app/globals.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

struct ExpectedControl {
    int id;
    const char* windowClass;
    DWORD style;
    DWORD exStyle;
    RECT units;  // corners in dialog units
    const char* text;
    int points;  // 0: the dialog's template font
    int weight;
};

const char kDescription[] =
    "The ZARVO Systems Quorbel v1.00 is being removed from your computer.  If you wish to use this "
    "product again, you must reinstall it from a download or removable media.";
const char kCaution[] =
    "Note: Use caution when clicking \"Ok, Destroy Now\".  If unsure, choose \"Cancel Immediately\"";

const ExpectedControl kExpected[] = {
    {1005, "Static", 0x50000000, 0, {10, 10, 195, 50}, kDescription, 8, 700},
    {1006, "Button", 0x50010000, 0, {105, 90, 195, 130}, "OK, Destroy Now", 0, 0},
    {1009, "Edit", 0x50010080, WS_EX_CLIENTEDGE, {5, 65, 195, 90}, "Perfng Reqd Oper", 24, 700},
    {1010, "Static", 0x50000000, 0, {20, 50, 180, 65}, "Status of Uninstallation:", 14, 700},
    {1015, "Button", 0x50010000, 0, {5, 90, 95, 130}, "Cancel Immediately", 8, 700},
    {1017, "Static", 0x50000000, 0, {5, 130, 195, 160}, kCaution, 10, 700},
};

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

class UninstallerDialogBuilt : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        FinishFlag = 0;
        UninstallerSavedFocus = 0;
        dialog = BuildDialog(UninstallerDialog, nullptr, fonts);
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

TEST_F(UninstallerDialogBuilt, CaptionPlaceSizeAndStyle) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quorbel v1.00 Program Uninstaller");
    RECT place = {101, 177, 101 + 201, 177 + 165};
    MapDialogRect(dialog, &place);
    // Without an owner the position is the client area's, from the top-left of the screen.
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, place.right - place.left);
    EXPECT_EQ(client.bottom, place.bottom - place.top);
    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & kDefaultDialogStyle, kDefaultDialogStyle);
    EXPECT_EQ(style & (WS_SYSMENU | WS_VISIBLE), 0u) << "no close box; hidden until shown";
    // Only what the system adds to every dialog: no extended style of its own.
    EXPECT_EQ(GetWindowLongA(dialog, GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT), 0);
}

TEST_F(UninstallerDialogBuilt, EveryControlAsLaidOut) {
    int dpi = ScreenPixelsPerInch();
    HFONT templateFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
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
        EXPECT_TRUE(IsWindowEnabled(control));

        RECT expected = e.units, actual;
        MapDialogRect(dialog, &expected);
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);

        HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        LOGFONTA lf = FontOf(control);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
        if (e.points == 0) {
            EXPECT_EQ(font, templateFont);
            EXPECT_LE(lf.lfWeight, 400) << "the template font's regular face";
        } else {
            EXPECT_EQ(lf.lfHeight, -(e.points * dpi) / 72);
            EXPECT_EQ(lf.lfWeight, e.weight);
            EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
            EXPECT_EQ(lf.lfCharSet, 0);
        }
    }
    EXPECT_EQ(child, nullptr) << "six controls and no more";
}

TEST_F(UninstallerDialogBuilt, FontHeightsAtNinetySixPixelsPerInch) {
    if (ScreenPixelsPerInch() != 96) GTEST_SKIP() << "the screen is not at 96 pixels per inch";
    EXPECT_EQ(FontOf(GetDlgItem(dialog, 1005)).lfHeight, -10);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, 1009)).lfHeight, -32);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, 1010)).lfHeight, -18);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, 1015)).lfHeight, -10);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, 1017)).lfHeight, -13);
    // 1005 and 1015 share one font; the four fonts are distinct.
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, 1005), WM_GETFONT, 0, 0),
              SendMessageA(GetDlgItem(dialog, 1015), WM_GETFONT, 0, 0));
}

TEST_F(UninstallerDialogBuilt, TheCautionNoteIsRedOnYellowAndTheOtherLabelsAreNot) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
        dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1017))));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 0));
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(255, 255, 0));

    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1005)));
    EXPECT_NE(GetTextColor(dc), RGB(255, 0, 0));
    DeleteDC(dc);
}

TEST_F(UninstallerDialogBuilt, KeepsTheFocusAcrossDeactivation) {
    ShowWindow(dialog, SW_SHOW);
    HWND cancel = GetDlgItem(dialog, 1015);
    SetFocus(cancel);
    UninstallerDialogProc(dialog, WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(UninstallerSavedFocus, cancel);
    SetFocus(GetDlgItem(dialog, 1006));
    UninstallerDialogProc(dialog, WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), cancel);
    EXPECT_EQ(UninstallerSavedFocus, nullptr);
}

TEST_F(UninstallerDialogBuilt, OtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, 1005, 1009, 1010, 1017, MAKEWPARAM(1006, BN_SETFOCUS),
                               MAKEWPARAM(1006, 5)};
    for (WPARAM command : commands) UninstallerDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
}

// The whole dialog, run modally as the welcome dialog runs it.
class UninstallerDialogRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        ResetSandbox();
        FinishFlag = 0;
        StageProduct("c:\\zarvo\\quorbel");
        WriteFileBytes("c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel\r");
    }
    void TearDown() override { ResetSandbox(); }
};

TEST_F(UninstallerDialogRun, CancelEndsTheDialogWithZeroAndTouchesNothing) {
    const WPARAM cancels[] = {1015, MAKEWPARAM(1015, BN_SETFOCUS)};  // whatever the notification
    for (WPARAM command : cancels) {
        SCOPED_TRACE(command);
        MessageBoxAnswerer answerer;
        WhenRunning([&] {
            HWND dialog = FindOwnWindow("Quorbel v1.00 Program Uninstaller");
            ASSERT_TRUE(dialog);
            EXPECT_TRUE(IsWindowVisible(dialog));
            SendMessageA(dialog, WM_COMMAND, command, 0);
        });
        EXPECT_EQ(ShowUninstallerDialog(nullptr), 0);
        EXPECT_EQ(FindOwnWindow("Quorbel v1.00 Program Uninstaller"), nullptr);
        EXPECT_TRUE(answerer.boxes.empty());
        EXPECT_EQ(FolderEntries("c:\\zarvo\\quorbel").size(), 5u);
        EXPECT_EQ(ReadFileBytes("c:\\quorbelregistry.dat"), "c:\\zarvo\\quorbel\r");
    }
}

TEST_F(UninstallerDialogRun, EscapeDoesNothingAndTheCloseCommandEndsIt) {
    bool openAfterEscape = false;
    WhenRunning([&] {
        HWND dialog = FindOwnWindow("Quorbel v1.00 Program Uninstaller");
        ASSERT_TRUE(dialog);
        SetFocus(GetDlgItem(dialog, 1015));
        MSG msg = {dialog, WM_KEYDOWN, VK_ESCAPE, 0};
        IsDialogMessageA(dialog, &msg);  // the dialog manager's cancel command
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        openAfterEscape = IsWindow(dialog) != 0;
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(ShowUninstallerDialog(nullptr), 0);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(FolderEntries("c:\\zarvo\\quorbel").size(), 5u);
    EXPECT_TRUE(FileExists("c:\\quorbelregistry.dat"));
}

TEST_F(UninstallerDialogRun, AnEndedInstallationEndsTheDialogBeforeItIsShown) {
    FinishFlag = -1;
    EXPECT_EQ(ShowUninstallerDialog(nullptr), 0);
    EXPECT_EQ(FindOwnWindow("Quorbel v1.00 Program Uninstaller"), nullptr);
    EXPECT_EQ(FolderEntries("c:\\zarvo\\quorbel").size(), 5u);
    FinishFlag = 0;
}
