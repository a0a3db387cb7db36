// The installation status dialog as built, and its callback.
#include <gtest/gtest.h>

#include "install/install_status_dialog.h"
#include "run/globals.h"
#include "support/dialog_checks.h"
#include "support/inprocess.h"

namespace {

const ExpectedControl kExpected[] = {
    {kProgressBox, "Edit", kTextBoxStyle, WS_EX_CLIENTEDGE, {5, 75, 195, 100}, "begin copying...",
     {"MS Sans Serif", 24, 700}},
    {kProgressLabel, "Static", kLabelStyle, 0, {70, 65, 130, 75}, "Installation Status", kTemplateFont},
    {kInstallTitle, "Static", kLabelStyle, 0, {35, 5, 175, 45}, "Welcome", {"Smudger LET", 48, 400}},
    {kProductLine, "Static", kLabelStyle, 0, {15, 50, 190, 65}, "Quorbel by ZARVO System  s",
     {"Smudger LET", 16, 400}},
    {kInstallButton, "Button", kButtonStyle, 0, {5, 100, 195, 125}, "OK", {"MS Sans Serif", 14, 700}},
};

const char kCaption[] = "Installing Product on your Machine now";

class InstallStatus : public DialogAsBuilt {
protected:
    InstallStatus() : DialogAsBuilt(InstallStatusDialog, InstallStatusSavedFocus) {}
};

}  // namespace

TEST_F(InstallStatus, CaptionPlaceAndSize) { ExpectDialogPlace(dialog, kCaption, 220, 181, 201, 130); }

TEST_F(InstallStatus, EveryControlAsLaidOut) { ExpectControlsAsLaidOut(dialog, kExpected); }

TEST_F(InstallStatus, KeepsTheFocusAcrossDeactivation) {
    ExpectFocusKeptAcrossDeactivation(dialog, InstallStatusDialogProc, InstallStatusSavedFocus,
                                      GetDlgItem(dialog, kInstallButton), GetDlgItem(dialog, kProgressBox));
}

TEST_F(InstallStatus, OtherCommandsStartNothing) {
    const WPARAM commands[] = {IDOK,           IDCANCEL,      kProgressBox, MAKEWPARAM(kProgressBox, EN_CHANGE),
                               kProgressLabel, kInstallTitle, kProductLine};
    for (WPARAM command : commands) InstallStatusDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(ControlText(dialog, kProgressBox), "begin copying...");
}

TEST_F(InstallStatus, AnEndedInstallationEndsTheDialogBeforeItIsShown) {
    DestroyWindow(dialog);
    FinishFlag = 1;
    EXPECT_EQ(ShowInstallStatusDialog(nullptr), 0);
    EXPECT_EQ(FindOwnWindow(kCaption), nullptr);
}
