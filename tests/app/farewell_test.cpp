// The farewell dialog as built, and its callback.
#include <gtest/gtest.h>

#include <string>

#include "app/farewell_dialog.h"
#include "run/globals.h"
#include "support/dialog_checks.h"
#include "support/inprocess.h"
#include "support/sandbox.h"

namespace {

const std::string kGoodbye = "We hope you consider trying our product again soon!" + std::string(19, ' ') +
                             "Best Regards,  Verlind (programmer and business owner)";

const ExpectedControl kExpected[] = {
    {kFarewellText, "Static", kLabelStyle, 0, {5, 10, 215, 90}, kGoodbye.c_str(), {"MS Sans Serif", 14, 700}, -18},
    {kExitButton, "Button", kButtonStyle, 0, {5, 90, 210, 120}, "OK, exit to Windows now", kTemplateFont, -11},
};

class Farewell : public DialogAsBuilt {
protected:
    Farewell() : DialogAsBuilt(FarewellDialog, FarewellSavedFocus) {}
};

}  // namespace

TEST_F(Farewell, CaptionPlaceSizeAndStyle) {
    ExpectDialogPlace(dialog, "Installation Canceled", 163, 174, 217, 125);
}

TEST_F(Farewell, TheLabelAndTheButtonAsLaidOut) {
    ExpectControlsAsLaidOut(dialog, kExpected);
    // The label's own text: one run of exactly 19 spaces, no line break.
    const std::string shown = ControlText(dialog, kFarewellText);
    EXPECT_NE(shown.find("soon!" + std::string(19, ' ') + "Best"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(std::string(20, ' ')), std::string::npos) << shown;
    EXPECT_EQ(shown.find_first_of("\r\n"), std::string::npos) << shown;
}

TEST_F(Farewell, KeepsTheFocusAcrossDeactivation) {
    ExpectFocusKeptAcrossDeactivation(dialog, FarewellDialogProc, FarewellSavedFocus,
                                      GetDlgItem(dialog, kExitButton), dialog);
}

TEST_F(Farewell, EscapeAndOtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, kFarewellText, MAKEWPARAM(kExitButton, BN_SETFOCUS),
                               MAKEWPARAM(kExitButton, 5)};
    for (WPARAM command : commands) FarewellDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
}

TEST(FarewellRun, TheButtonOrTheCloseCommandEndsItWithZero) {
    EnterSandboxDrive();
    FinishFlag = 0;
    const WPARAM presses[] = {MAKEWPARAM(kExitButton, BN_CLICKED), MAKEWPARAM(kExitButton, 1)};
    for (WPARAM press : presses) {
        WhenRunning([&] {
            HWND dialog = FindOwnWindow("Installation Canceled");
            ASSERT_TRUE(dialog);
            EXPECT_TRUE(IsWindowVisible(dialog));
            SendMessageA(dialog, WM_COMMAND, press, 0);
        });
        EXPECT_EQ(ShowFarewellDialog(nullptr), 0);
        EXPECT_EQ(FindOwnWindow("Installation Canceled"), nullptr);
    }
    WhenRunning([] { SendMessageA(FindOwnWindow("Installation Canceled"), WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(ShowFarewellDialog(nullptr), 0);
    EXPECT_EQ(FindOwnWindow("Installation Canceled"), nullptr);
}
