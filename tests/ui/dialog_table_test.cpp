// A dialog table built on the layer.
#include <gtest/gtest.h>

#include "support/dialog_checks.h"
#include "support/sandbox.h"
#include "ui/dialog_table.h"

namespace {

HFONT FontHandle(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

}  // namespace

TEST(DialogSpec, ATableWithMoreFontsThanTheArrayHoldsUsesOnlyThoseTheArrayHolds) {
    EnterSandboxDrive();
    const FontSpec fonts[] = {
        {"MS Sans Serif", 9, 700}, {"MS Sans Serif", 10, 700}, {"MS Sans Serif", 11, 700},
        {"MS Sans Serif", 12, 700}, {"MS Sans Serif", 13, 700}, {"MS Sans Serif", 14, 700},
    };
    static_assert(CountOf(fonts) > kMaxDialogFonts, "more fonts than the builder's array holds");
    const ControlSpec controls[] = {
        {1101, Label, 5, 5, 50, 10, "first", 0},
        {1102, Label, 5, 20, 50, 10, "last the array holds", kMaxDialogFonts - 1},
        {1103, Label, 5, 35, 50, 10, "just beyond", kMaxDialogFonts},
        {1104, Label, 5, 50, 50, 10, "the table's last", CountOf(fonts) - 1},
    };
    const DialogSpec layout = {"too many fonts", 0, 0, 100, 70,
                               controls, CountOf(controls), fonts, CountOf(fonts)};

    // The builder's array, followed by a guard that it must neither read nor write.
    HFONT made[kMaxDialogFonts + 1] = {};
    HFONT guard = MakeDialogFont("MS Sans Serif", 20, 400);
    made[kMaxDialogFonts] = guard;
    HWND dialog = BuildDialog(layout, nullptr, made);
    ASSERT_TRUE(dialog);

    EXPECT_EQ(made[kMaxDialogFonts], guard) << "no font made beyond the array";
    for (int f = 0; f < kMaxDialogFonts; ++f) {
        EXPECT_TRUE(made[f]) << f;
        EXPECT_EQ(FontOf(made[f]).lfHeight, -(fonts[f].points * ScreenPixelsPerInch()) / 72) << f;
    }
    EXPECT_EQ(FontHandle(GetDlgItem(dialog, 1101)), made[0]);
    EXPECT_EQ(FontHandle(GetDlgItem(dialog, 1102)), made[kMaxDialogFonts - 1]);
    EXPECT_EQ(FontHandle(GetDlgItem(dialog, 1103)), FontHandle(dialog)) << "the template font";
    EXPECT_EQ(FontHandle(GetDlgItem(dialog, 1104)), FontHandle(dialog)) << "the template font";

    DestroyWindow(dialog);
    for (HFONT f : made) DeleteObject(f);
}
