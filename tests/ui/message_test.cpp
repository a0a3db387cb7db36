// Message boxes and one-message pumping, in this process.
#include <gtest/gtest.h>

#include <vector>

#include "support/inprocess.h"
#include "support/sandbox.h"
#include "ui/dialog_layer.h"
#include "ui/message.h"

namespace {

int gClicks = 0;

INT_PTR CALLBACK CountClicks(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == 1101) ++gClicks;
    return 0;
}

}  // namespace

TEST(ShowMessage, AnEmptyCaptionShowsTheDefaultWord) {
    EnterSandboxDrive();
    MessageBoxAnswerer answerer;
    EXPECT_EQ(ShowMessage("first", 0, ""), IDOK);
    EXPECT_EQ(ShowMessage("second", 0, "Own caption"), IDOK);
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[0].caption, "Quorbel");
    EXPECT_EQ(answerer.boxes[0].text, "first");
    EXPECT_EQ(answerer.boxes[1].caption, "Own caption");
}

TEST(ShowMessage, TheDialogBehindAnOpenBoxStillTakesClicks) {
    HWND dialog = NewDialog(nullptr, "behind", 0, 0, 100, 60, 0, 0);
    AddControl(dialog, PushButton, 1101, "press", 5, 5, 40, 14, 0, 0);
    int32_t result = 0;
    gClicks = 0;
    MessageBoxAnswerer answerer;
    answerer.onBox = [&](const SeenBox&) { PostMessageA(ControlHandle(dialog, 1101), BM_CLICK, 0, 0); };
    WhenRunning([&] {
        ShowMessage("box in front", 0, "");
        CloseDialog(dialog, 0);
    });
    ShowDialogModal(dialog, CountClicks, result);
    EXPECT_EQ(gClicks, 1);
}

TEST(PumpOneMessage, HandlesOneMessageAndRoutesKeysThroughTheActiveDialog) {
    HWND dialog = NewDialog(nullptr, "pump", 0, 0, 100, 60, 0, 0);
    HWND first = AddControl(dialog, PushButton, 1101, "one", 5, 5, 40, 14, 0, 0);
    HWND second = AddControl(dialog, PushButton, 1102, "two", 50, 5, 40, 14, 0, 0);
    int32_t result = 0;
    HWND focusAfterTab = nullptr;
    LONG countSeen = -1;
    WhenRunning([&] {
        SetFocus(first);
        MSG drain;
        while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&drain);
        PostMessageA(first, WM_KEYDOWN, VK_TAB, 0);
        countSeen = PumpOneMessage(25);
        focusAfterTab = GetFocus();
        CloseDialog(dialog, 0);
    });
    LONG before = OpenDialogCount;
    ShowDialogModal(dialog, CountClicks, result);
    EXPECT_EQ(focusAfterTab, second) << "Tab went through IsDialogMessageA of the active dialog";
    EXPECT_EQ(countSeen, before);
}

namespace {

std::vector<DWORD> gPauses;
void RecordPause(DWORD milliseconds) { gPauses.push_back(milliseconds); }

}  // namespace

// With nothing waiting the pump pauses, through the one seam, for the time asked; with a
// message waiting it handles that instead and does not pause. SleepMilliseconds pauses
// through the same seam.
TEST(PumpOneMessage, PausesThroughTheSeamOnlyWhenNothingWaits) {
    HWND window = NewDialog(nullptr, "pump pause", 0, 0, 50, 30, 0, 0);
    ASSERT_TRUE(window);
    MSG drain;
    while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&drain);

    const PauseFunction realPause = Pause;
    gPauses.clear();
    Pause = RecordPause;
    PostMessageA(window, WM_NULL, 0, 0);
    LONG count = PumpOneMessage(25);
    const bool handled = !PeekMessageA(&drain, window, 0, 0, PM_NOREMOVE);
    const std::vector<DWORD> afterWaiting = gPauses;
    PumpOneMessage(25);
    PumpOneMessage(1000);
    SleepMilliseconds(500);
    Pause = realPause;

    EXPECT_TRUE(handled) << "the waiting message was taken";
    EXPECT_TRUE(afterWaiting.empty()) << "no pause while a message waited";
    EXPECT_EQ(gPauses, (std::vector<DWORD>{25, 1000, 500}));
    EXPECT_EQ(count, OpenDialogCount);
    DestroyWindow(window);
}
