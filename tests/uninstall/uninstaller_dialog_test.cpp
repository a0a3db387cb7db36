// The uninstaller dialog as built, and what its buttons do before any removal.
#include <gtest/gtest.h>

#include <string>

#include "run/globals.h"
#include "support/dialog_checks.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kDescription[] =
    "The ZARVO Systems Quorbel v1.00 is being removed from your computer.  If you wish to use this "
    "product again, you must reinstall it from a download or removable media.";
const char kCaution[] =
    "Note: Use caution when clicking \"Ok, Destroy Now\".  If unsure, choose \"Cancel Immediately\"";

const ExpectedControl kExpected[] = {
    {1005, "Static", 0x50000000, 0, {10, 10, 195, 50}, kDescription, {"MS Sans Serif", 8, 700}},
    {1006, "Button", 0x50010000, 0, {105, 90, 195, 130}, "OK, Destroy Now", kTemplateFont},
    {1009, "Edit", 0x50010080, WS_EX_CLIENTEDGE, {5, 65, 195, 90}, "Perfng Reqd Oper", {"MS Sans Serif", 24, 700}},
    {1010, "Static", 0x50000000, 0, {20, 50, 180, 65}, "Status of Uninstallation:", {"MS Sans Serif", 14, 700}},
    {1015, "Button", 0x50010000, 0, {5, 90, 95, 130}, "Cancel Immediately", {"MS Sans Serif", 8, 700}},
    {1017, "Static", 0x50000000, 0, {5, 130, 195, 160}, kCaution, {"MS Sans Serif", 10, 700}},
};

class UninstallerDialogBuilt : public DialogAsBuilt {
protected:
    UninstallerDialogBuilt() : DialogAsBuilt(UninstallerDialog, UninstallerSavedFocus) {}
};

}  // namespace

TEST_F(UninstallerDialogBuilt, CaptionPlaceSizeAndStyle) {
    ExpectDialogPlace(dialog, "Quorbel v1.00 Program Uninstaller", 101, 177, 201, 165);
}

TEST_F(UninstallerDialogBuilt, EveryControlAsLaidOut) { ExpectControlsAsLaidOut(dialog, kExpected); }

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
    ExpectRedOnYellow(dialog, 1017);
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1005)));
    EXPECT_NE(GetTextColor(dc), RGB(255, 0, 0));
    DeleteDC(dc);
}

TEST_F(UninstallerDialogBuilt, KeepsTheFocusAcrossDeactivation) {
    ExpectFocusKeptAcrossDeactivation(dialog, UninstallerDialogProc, UninstallerSavedFocus,
                                      GetDlgItem(dialog, 1015), GetDlgItem(dialog, 1006));
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
