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
    {kFarewellText, "Static", kLabelStyle, 0, {5, 10, 215, 90}, kGoodbye.c_str(), {"MS Sans Serif", 14, 700}},
    {kExitButton, "Button", kButtonStyle, 0, {5, 90, 210, 120}, "OK, exit to Windows now", kTemplateFont},
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
    // The text read back whole, the run of 19 spaces included.
    char text[512] = {};
    int n = GetWindowTextA(GetDlgItem(dialog, kFarewellText), text, sizeof text);
    EXPECT_EQ(std::string(text, n), kGoodbye);
    EXPECT_NE(kGoodbye.find("soon!" + std::string(19, ' ') + "Best"), std::string::npos);
    EXPECT_EQ(kGoodbye.find("soon!" + std::string(20, ' ')), std::string::npos);
}

TEST_F(Farewell, TheLabelIsFourteenPointBoldAndTheButtonKeepsTheDialogsFont) {
    ExpectControlFont(dialog, kFarewellText, {"MS Sans Serif", 14, 700});
    if (ScreenPixelsPerInch() == 96) EXPECT_EQ(FontOf(GetDlgItem(dialog, kFarewellText)).lfHeight, -18);
    ExpectControlFont(dialog, kExitButton, kTemplateFont);
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

TEST(FarewellRun, AnEndedInstallationEndsTheDialog) {
    EnterSandboxDrive();
    FinishFlag = 1;
    EXPECT_EQ(ShowFarewellDialog(nullptr), 0);
    EXPECT_EQ(FindOwnWindow("Installation Canceled"), nullptr);
    FinishFlag = 0;
}
