// The welcome dialog as built, and its callback.
#include <gtest/gtest.h>

#include "app/welcome_dialog.h"
#include "run/globals.h"
#include "support/dialog_checks.h"
#include "support/inprocess.h"

namespace {

const char kIntro[] =
    "This program will completely install the ZARVO Systems Quorbel v1.00 application on your computer.  "
    "You may re-run this installer later to remove/uninstall at a later time, if desired.   Do you want to "
    "continue with this Installation?  Choosing 'no' will mean we won't install Quorbel v1.00 now, but you "
    "may return here to install it in the future if you want to then.";
const char kNote[] =
    "Once you press \"Yes, let's Continue' the selected process and operations cannot be stopped.  "
    "If unsure, click \"No, Maybe Later\" button.";

const ExpectedControl kExpected[] = {
    {kWelcomeText, "Static", kLabelStyle, 0, {5, 5, 195, 70}, kIntro, {"MS Sans Serif", 8, 700}, -10},
    {kContinueButton, "Button", kButtonStyle, 0, {100, 75, 195, 115}, "Yes, let's Continue!",
     {"MS Sans Serif", 10, 700}, -13},
    {kLaterButton, "Button", kButtonStyle, 0, {5, 75, 95, 115}, "No, Maybe Later", kTemplateFont, -11},
    {kRemoveButton, "Button", kButtonStyle, 0, {5, 120, 195, 145},
     "Remove/Uninstall Program and All of Its Components", kTemplateFont, -11},
    {kWelcomeNote, "Static", kLabelStyle, 0, {5, 150, 195, 175}, kNote, {"MS Sans Serif", 8, 700}, -10},
};

class Welcome : public DialogAsBuilt {
protected:
    Welcome() : DialogAsBuilt(WelcomeDialog, WelcomeSavedFocus) {}
};

}  // namespace

TEST_F(Welcome, CaptionPlaceAndSize) {
    ExpectDialogPlace(dialog, "ZARVO Systems Installer v1.00", 215, 150, 201, 179);
}

TEST_F(Welcome, EveryControlAsLaidOut) {
    ExpectControlsAsLaidOut(dialog, kExpected);
}

TEST_F(Welcome, TheNoteIsRedOnYellow) { ExpectRedOnYellow(dialog, kWelcomeNote); }

TEST_F(Welcome, KeepsTheFocusAcrossDeactivation) {
    ExpectFocusKeptAcrossDeactivation(dialog, WelcomeDialogProc, WelcomeSavedFocus,
                                      GetDlgItem(dialog, kLaterButton), GetDlgItem(dialog, kRemoveButton));
}

TEST_F(Welcome, OtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, kWelcomeText, MAKEWPARAM(kContinueButton, BN_SETFOCUS),
                               MAKEWPARAM(kLaterButton, 5), MAKEWPARAM(kRemoveButton, BN_KILLFOCUS), kWelcomeNote};
    for (WPARAM command : commands) WelcomeDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
}
