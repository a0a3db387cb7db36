// Declining through the real executable: "No, Maybe Later", then a way out of the
// farewell dialog. Nothing is written.
#include <gtest/gtest.h>

#include <string>

#include "app/farewell_dialog.h"
#include "app/welcome_dialog.h"
#include "support/dialog_checks.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"

namespace {

class DeclineRun : public StagedProductRun {
protected:
    HWND OpenFarewell(Installer& run) {
        if (!StartInstaller(run)) return 0;
        HWND welcome = WaitForWindow(run, "ZARVO Systems Installer v1.00");
        if (!welcome) return 0;
        PostClick(welcome, kLaterButton);
        return WaitForWindow(run, "Installation Canceled");
    }

    void ExpectNothingWritten() {
        EXPECT_FALSE(FolderExists("c:\\zarvo\\quorbel"));
        EXPECT_FALSE(FileExists("c:\\quorbelregistry.dat"));
        EXPECT_EQ(FolderEntries(kStaging).size(), 5u);
        EXPECT_EQ(FolderEntries("c:\\zarvo"), std::vector<std::string>{"temp"});
    }
};

}  // namespace

TEST_F(DeclineRun, TheButtonEndsTheRun) {
    Installer run;
    HWND farewell = OpenFarewell(run);
    ASSERT_TRUE(farewell);
    ExpectLaidOutAsBuiltHere(farewell, FarewellDialog);
    EXPECT_EQ(WindowText(GetDlgItem(farewell, kFarewellText)),
              "We hope you consider trying our product again soon!" + std::string(19, ' ') +
                  "Best Regards,  Verlind (programmer and business owner)");
    EXPECT_EQ(WindowText(GetDlgItem(farewell, kExitButton)), "OK, exit to Windows now");
    PostClick(farewell, kExitButton);
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_TRUE(TopWindows(run).empty());
    ExpectNothingWritten();
}

TEST_F(DeclineRun, EscapeDoesNothingAndAltF4EndsTheRun) {
    Installer run;
    HWND farewell = OpenFarewell(run);
    ASSERT_TRUE(farewell);
    PressKey(farewell, VK_ESCAPE);
    Sleep(200);
    EXPECT_TRUE(IsWindow(farewell)) << "Escape must not end the farewell dialog";
    EXPECT_EQ(WaitForExit(run, 0), STILL_ACTIVE);
    PressKey(farewell, VK_F4, true);
    EXPECT_EQ(WaitForExit(run), 0u);
    ExpectNothingWritten();
}
