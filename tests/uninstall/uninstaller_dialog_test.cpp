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
    {kRemovalText, "Static", kLabelStyle, 0, {10, 10, 195, 50}, kDescription, {"MS Sans Serif", 8, 700}},
    {kDestroyButton, "Button", kButtonStyle, 0, {105, 90, 195, 130}, "OK, Destroy Now", kTemplateFont},
    {kRemovalStatusBox, "Edit", kTextBoxStyle, WS_EX_CLIENTEDGE, {5, 65, 195, 90}, "Perfng Reqd Oper",
     {"MS Sans Serif", 24, 700}},
    {kRemovalStatusLabel, "Static", kLabelStyle, 0, {20, 50, 180, 65}, "Status of Uninstallation:",
     {"MS Sans Serif", 14, 700}},
    {kCancelButton, "Button", kButtonStyle, 0, {5, 90, 95, 130}, "Cancel Immediately", {"MS Sans Serif", 8, 700}},
    {kCautionNote, "Static", kLabelStyle, 0, {5, 130, 195, 160}, kCaution, {"MS Sans Serif", 10, 700}},
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
    EXPECT_EQ(FontOf(GetDlgItem(dialog, kRemovalText)).lfHeight, -10);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, kRemovalStatusBox)).lfHeight, -32);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, kRemovalStatusLabel)).lfHeight, -18);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, kCancelButton)).lfHeight, -10);
    EXPECT_EQ(FontOf(GetDlgItem(dialog, kCautionNote)).lfHeight, -13);
    // kRemovalText and kCancelButton share one font; the four fonts are distinct.
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, kRemovalText), WM_GETFONT, 0, 0),
              SendMessageA(GetDlgItem(dialog, kCancelButton), WM_GETFONT, 0, 0));
}

TEST_F(UninstallerDialogBuilt, TheCautionNoteIsRedOnYellowAndTheOtherLabelsAreNot) {
    ExpectRedOnYellow(dialog, kCautionNote);
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, kRemovalText)));
    EXPECT_NE(GetTextColor(dc), RGB(255, 0, 0));
    DeleteDC(dc);
}

TEST_F(UninstallerDialogBuilt, KeepsTheFocusAcrossDeactivation) {
    ExpectFocusKeptAcrossDeactivation(dialog, UninstallerDialogProc, UninstallerSavedFocus,
                                      GetDlgItem(dialog, kCancelButton), GetDlgItem(dialog, kDestroyButton));
}

TEST_F(UninstallerDialogBuilt, OtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, kRemovalText, kRemovalStatusBox, kRemovalStatusLabel, kCautionNote,
                               MAKEWPARAM(kDestroyButton, BN_SETFOCUS), MAKEWPARAM(kDestroyButton, 5)};
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
    const WPARAM cancels[] = {kCancelButton, MAKEWPARAM(kCancelButton, BN_SETFOCUS)};  // whatever the notification
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
        SetFocus(GetDlgItem(dialog, kCancelButton));
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
