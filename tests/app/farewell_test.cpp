// The farewell dialog as built, and its callback.
#include <gtest/gtest.h>

#include <string>

#include "app/farewell_dialog.h"
#include "app/globals.h"
#include "support/inprocess.h"
#include "support/sandbox.h"

namespace {

const std::string kGoodbye = "We hope you consider trying our product again soon!" + std::string(19, ' ') +
                             "Best Regards,  Verlind (programmer and business owner)";

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

RECT PlaceInDialog(HWND dialog, HWND control) {
    RECT rc;
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT Mapped(HWND dialog, RECT units) {
    MapDialogRect(dialog, &units);
    return units;
}

void ExpectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

class Farewell : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        FinishFlag = 0;
        FarewellSavedFocus = 0;
        dialog = BuildDialog(FarewellDialog, nullptr, fonts);
        ASSERT_TRUE(dialog);
    }
    void TearDown() override {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        for (HFONT f : fonts) DeleteObject(f);
        FinishFlag = 0;
    }
    HWND dialog = nullptr;
    HFONT fonts[kMaxDialogFonts] = {};
};

}  // namespace

TEST_F(Farewell, CaptionPlaceSizeAndStyle) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Installation Canceled");
    // The position maps as a point, the size as a size (not as the far corner).
    RECT place = Mapped(dialog, {163, 174, 163 + 217, 174 + 125});
    RECT size = Mapped(dialog, {0, 0, 217, 125});
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(origin.x, place.left);
    EXPECT_EQ(origin.y, place.top);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & kDefaultDialogStyle, kDefaultDialogStyle);
    EXPECT_EQ(style & (WS_SYSMENU | WS_VISIBLE), 0u);
}

TEST_F(Farewell, TheLabelAndTheButtonAsLaidOut) {
    HWND label = GetDlgItem(dialog, 1013), button = GetDlgItem(dialog, 1014);
    ASSERT_TRUE(label);
    ASSERT_TRUE(button);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), label);
    EXPECT_EQ(GetWindow(label, GW_HWNDNEXT), button);
    EXPECT_EQ(GetWindow(button, GW_HWNDNEXT), nullptr) << "two controls and no more";

    char cls[32] = {};
    GetClassNameA(label, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "Static"), 0);
    GetClassNameA(button, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "Button"), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(label, GWL_STYLE)), 0x50000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)), 0x50010000u);
    EXPECT_EQ(GetWindowLongA(label, GWL_EXSTYLE), 0);
    EXPECT_EQ(GetWindowLongA(button, GWL_EXSTYLE), 0);
    ExpectRect(PlaceInDialog(dialog, label), Mapped(dialog, {5, 10, 215, 90}));
    ExpectRect(PlaceInDialog(dialog, button), Mapped(dialog, {5, 90, 210, 120}));

    // The text read back whole, the run of 19 spaces included.
    char text[512] = {};
    int n = GetWindowTextA(label, text, sizeof text);
    EXPECT_EQ(std::string(text, n), kGoodbye);
    EXPECT_NE(kGoodbye.find("soon!" + std::string(19, ' ') + "Best"), std::string::npos);
    EXPECT_EQ(kGoodbye.find("soon!" + std::string(20, ' ')), std::string::npos);
    EXPECT_EQ(ControlText(dialog, 1014), "OK, exit to Windows now");
}

TEST_F(Farewell, TheLabelIsFourteenPointBoldAndTheButtonKeepsTheDialogsFont) {
    int dpi = ScreenPixelsPerInch();
    LOGFONTA c = FontOf(GetDlgItem(dialog, 1013));
    EXPECT_STREQ(c.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(c.lfHeight, -(14 * dpi) / 72);
    if (dpi == 96) EXPECT_EQ(c.lfHeight, -18);
    EXPECT_EQ(c.lfWeight, 700);
    EXPECT_FALSE(c.lfItalic || c.lfUnderline || c.lfStrikeOut);
    EXPECT_EQ(c.lfCharSet, 0);

    HWND button = GetDlgItem(dialog, 1014);
    EXPECT_EQ(SendMessageA(button, WM_GETFONT, 0, 0), SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA own = FontOf(button);
    EXPECT_STREQ(own.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(own.lfHeight, -MulDiv(8, dpi, 72));
    EXPECT_LE(own.lfWeight, 400);
}

TEST_F(Farewell, KeepsTheFocusAcrossDeactivation) {
    ShowWindow(dialog, SW_SHOW);
    HWND button = GetDlgItem(dialog, 1014);
    SetFocus(button);
    FarewellDialogProc(dialog, WM_NCACTIVATE, 0, 0);
    EXPECT_EQ(FarewellSavedFocus, button);
    SetFocus(dialog);
    FarewellDialogProc(dialog, WM_NCACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), button);
    EXPECT_EQ(FarewellSavedFocus, nullptr);
}

TEST_F(Farewell, EscapeAndOtherCommandsDoNothing) {
    const WPARAM commands[] = {IDCANCEL, 1013, MAKEWPARAM(1014, BN_SETFOCUS), MAKEWPARAM(1014, 5)};
    for (WPARAM command : commands) FarewellDialogProc(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(IsWindow(dialog));
}

TEST(FarewellRun, TheButtonOrTheCloseCommandEndsItWithZero) {
    EnterSandboxDrive();
    FinishFlag = 0;
    const WPARAM presses[] = {MAKEWPARAM(1014, BN_CLICKED), MAKEWPARAM(1014, 1)};
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
