// The chain of dialogs in this process: the welcome dialog's buttons open their follow-on
// dialogs, and an ended installation ends every dialog of the system.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/farewell_dialog.h"
#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "run/globals.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "ui/dialog_layer.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kWelcomeCaption[] = "ZARVO Systems Installer v1.00";
const char kInstallCaption[] = "Installing Product on your Machine now";
const char kFarewellCaption[] = "Installation Canceled";
const char kUninstallerCaption[] = "Quorbel v1.00 Program Uninstaller";
const char kRecord[] = "c:\\quorbelregistry.dat";

// A machine with the product staged and installed: no dialog in these tests may change it.
class DialogChain : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        ResetSandbox();
        StageProduct();
        StageProduct("c:\\zarvo\\quorbel");
        WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
        CreateStringTables();
        FinishFlag = 0;
        dialogsBefore = OpenDialogCount;
    }
    void TearDown() override {
        FinishFlag = 0;
        ResetSandbox();
    }
    void ExpectNothingChanged() {
        EXPECT_EQ(FolderEntries(kStaging).size(), 5u);
        EXPECT_EQ(FolderEntries("c:\\zarvo\\quorbel").size(), 5u);
        EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
        EXPECT_EQ(OpenDialogCount, dialogsBefore);
    }
    LONG dialogsBefore = 0;
};

// Presses a button of a running dialog as the button itself reports it: a command with the
// given notification code, sent, so that it returns once the callback has.
void Press(HWND dialog, int id, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SystemClose(HWND dialog) { SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Counts the windows of this thread that are activated, as a shown dialog is.
int gActivations = 0;
LRESULT CALLBACK CountActivations(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) ++gActivations;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(DialogChain, AnEndedInstallationEndsEveryDialogBeforeItIsShown) {
    const struct {
        const char* caption;
        int32_t (*show)(HWND);
    } dialogs[] = {
        {kWelcomeCaption, ShowWelcomeDialog},
        {kInstallCaption, ShowInstallStatusDialog},
        {kFarewellCaption, ShowFarewellDialog},
        {kUninstallerCaption, ShowUninstallerDialog},
    };
    for (double flag : {-1.0, 1.0}) {
        for (const auto& d : dialogs) {
            SCOPED_TRACE(std::string(d.caption) + (flag < 0 ? ", FinishFlag -1" : ", FinishFlag +1"));
            FinishFlag = flag;
            gActivations = 0;
            HHOOK hook = SetWindowsHookExA(WH_CBT, CountActivations, nullptr, GetCurrentThreadId());
            EXPECT_EQ(d.show(nullptr), 0);
            UnhookWindowsHookEx(hook);
            EXPECT_EQ(FindOwnWindow(d.caption), nullptr);
            EXPECT_EQ(gActivations, 0) << "the dialog was ended during its opening calls, never shown";
            EXPECT_EQ(FinishFlag, flag) << "no dialog resets the flag";
        }
    }
    FinishFlag = 0;
    ExpectNothingChanged();
}

// Each welcome button, whether its command comes with notification code 0 or 1, opens its
// follow-on dialog with no owner: the welcome dialog stays open and enabled under it, and
// ends, with 0, once the follow-on has ended.
TEST_F(DialogChain, EachWelcomeButtonOpensItsFollowOnAndTheWelcomeEndsAfterIt) {
    const struct {
        int button;
        const char* caption;
    } followOns[] = {
        {kContinueButton, kInstallCaption},
        {kLaterButton, kFarewellCaption},
        {kRemoveButton, kUninstallerCaption},
    };
    for (const auto& f : followOns) {
        for (WORD code : {WORD(BN_CLICKED), WORD(1)}) {
            SCOPED_TRACE(std::string(f.caption) + ", notification code " + std::to_string(code));
            HWND welcome = nullptr, followOn = nullptr;
            bool followOnVisible = false, welcomeOpenAndEnabled = false, welcomeEndedAfter = false;
            LONG dialogsOpen = 0;
            WhenRunning([&] {
                welcome = FindOwnWindow(kWelcomeCaption);
                ASSERT_TRUE(welcome);
                WhenRunning([&] {
                    followOn = FindOwnWindow(f.caption);
                    if (!followOn) {  // the press opened nothing
                        SystemClose(welcome);
                        return;
                    }
                    followOnVisible = followOn && IsWindowVisible(followOn);
                    welcomeOpenAndEnabled = IsWindowVisible(welcome) && IsWindowEnabled(welcome);
                    dialogsOpen = OpenDialogCount;
                    SystemClose(followOn);
                });
                Press(welcome, f.button, code);
                welcomeEndedAfter = !IsWindow(welcome);
            });
            EXPECT_EQ(ShowWelcomeDialog(nullptr), 0);
            EXPECT_TRUE(followOnVisible);
            EXPECT_TRUE(welcomeOpenAndEnabled);
            EXPECT_EQ(dialogsOpen, dialogsBefore + 2);
            EXPECT_FALSE(IsWindow(followOn));
            EXPECT_TRUE(welcomeEndedAfter) << "the welcome dialog ends once its follow-on has";
            ExpectNothingChanged();
        }
    }
}

// The welcome dialog takes presses while a follow-on is open: a second button opens one
// more follow-on on top. When that one ends, the welcome dialog ends under the first, and
// the run unwinds once the first has ended too.
TEST_F(DialogChain, AFollowOnOpenedWhileAnotherIsOpen) {
    HWND welcome = nullptr, farewell = nullptr, uninstaller = nullptr;
    LONG dialogsOpen = 0;
    bool farewellOpenUnderneath = false, welcomeEndedFirst = false;
    WhenRunning([&] {
        welcome = FindOwnWindow(kWelcomeCaption);
        ASSERT_TRUE(welcome);
        WhenRunning([&] {
            farewell = FindOwnWindow(kFarewellCaption);
            ASSERT_TRUE(farewell);
            WhenRunning([&] {
                uninstaller = FindOwnWindow(kUninstallerCaption);
                dialogsOpen = OpenDialogCount;
                farewellOpenUnderneath = IsWindowVisible(farewell) && IsWindowVisible(welcome);
                SystemClose(uninstaller);
            });
            Press(welcome, kRemoveButton, BN_CLICKED);
            welcomeEndedFirst = !IsWindow(welcome) && IsWindow(farewell);
            Press(farewell, kExitButton, BN_CLICKED);
        });
        Press(welcome, kLaterButton, BN_CLICKED);
    });
    EXPECT_EQ(ShowWelcomeDialog(nullptr), 0);
    EXPECT_TRUE(uninstaller);
    EXPECT_EQ(dialogsOpen, dialogsBefore + 3);
    EXPECT_TRUE(farewellOpenUnderneath);
    EXPECT_TRUE(welcomeEndedFirst) << "the welcome dialog ended when the later follow-on did";
    EXPECT_FALSE(IsWindow(farewell));
    ExpectNothingChanged();
}
