// The real executable, started as a separate process and driven as a person would.
#include <gtest/gtest.h>

#include "app/welcome_dialog.h"
#include "support/dialog_checks.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"

class WelcomeRun : public StagedProductRun {};

TEST_F(WelcomeRun, EscapeDoesNothingAndAltF4EndsTheRunWritingNothing) {
    Installer run;
    ASSERT_TRUE(StartInstaller(run));
    HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
    ASSERT_TRUE(welcome);
    EXPECT_TRUE(IsWindowVisible(welcome));
    ExpectLaidOutAsBuiltHere(welcome, WelcomeDialog);

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
