// The real executable, started as a separate process and driven as a person would.
#include <gtest/gtest.h>

#include "app/welcome_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"

// Compares the other process's dialog with a never-shown twin built here from the same
// table and template font (MapDialogRect does not work across processes).
static void ExpectLaidOutAsBuiltHere(HWND welcome) {
    HFONT fonts[kMaxDialogFonts] = {};
    HWND twin = BuildDialog(WelcomeDialog, nullptr, fonts);
    ASSERT_TRUE(twin);
    for (int i = 0; i < WelcomeDialog.controlCount; ++i) {
        const ControlSpec& c = WelcomeDialog.controls[i];
        SCOPED_TRACE(c.id);
        HWND theirs = GetDlgItem(welcome, c.id);
        ASSERT_TRUE(theirs);
        EXPECT_TRUE(IsWindowVisible(theirs));
        EXPECT_EQ(WindowText(theirs), c.text);
        RECT mine, actual;
        GetWindowRect(GetDlgItem(twin, c.id), &mine);
        MapWindowPoints(nullptr, twin, reinterpret_cast<POINT*>(&mine), 2);
        GetWindowRect(theirs, &actual);
        MapWindowPoints(nullptr, welcome, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_TRUE(EqualRect(&mine, &actual));
    }
    POINT twinOrigin = {0, 0}, origin = {0, 0};
    ClientToScreen(twin, &twinOrigin);
    ClientToScreen(welcome, &origin);
    EXPECT_EQ(origin.x, twinOrigin.x);
    EXPECT_EQ(origin.y, twinOrigin.y);
    DestroyWindow(twin);
    for (HFONT f : fonts) DeleteObject(f);
}

class WelcomeRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        ResetSandbox();
        StageProduct();
    }
    void TearDown() override { ResetSandbox(); }
};

TEST_F(WelcomeRun, EscapeDoesNothingAndAltF4EndsTheRunWritingNothing) {
    Installer run;
    ASSERT_TRUE(StartInstaller(run));
    HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
    ASSERT_TRUE(welcome);
    EXPECT_TRUE(IsWindowVisible(welcome));
    ExpectLaidOutAsBuiltHere(welcome);

    PressKey(welcome, VK_ESCAPE);
    Sleep(200);
    EXPECT_TRUE(IsWindow(welcome)) << "Escape must not end the welcome dialog";
    EXPECT_EQ(WaitForExit(run, 0), STILL_ACTIVE);

    PressKey(welcome, VK_F4, true);
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_FALSE(FolderExists("c:\\zarvo\\quorbel"));
    EXPECT_FALSE(FileExists("c:\\quorbelregistry.dat"));
    EXPECT_EQ(FolderEntries(kStaging).size(), 5u);
}
