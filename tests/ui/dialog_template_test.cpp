// The in-memory dialog template, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/dialog_checks.h"
#include "ui/dialog_layer.h"

TEST(DialogTemplate, WelcomeDialogBytes) {
    alignas(4) BYTE buffer[kDialogTemplateSize];
    size_t size = MakeDialogTemplate(buffer, kDefaultDialogStyle, 0, 215, 150, 201, 179);
    const std::vector<BYTE> expected = {
        0xD4, 0x00, 0xC0, 0x80,  // style WS_POPUP|WS_CAPTION|DS_MODALFRAME|DS_SETFONT|DS_NOFAILCREATE|DS_3DLOOK
        0x00, 0x00, 0x00, 0x00,  // extended style
        0x00, 0x00,              // no controls in the template
        0xD7, 0x00, 0x96, 0x00,  // x 215, y 150
        0xC9, 0x00, 0xB3, 0x00,  // width 201, height 179
        0x00, 0x00,              // no menu
        0x00, 0x00,              // the predefined dialog class
        0x20, 0x00, 0x00, 0x00,  // title " "
        0x08, 0x00,              // 8 points
        'M', 0, 'S', 0, ' ', 0, 'S', 0, 'a', 0, 'n', 0, 's', 0, ' ', 0,
        'S', 0, 'e', 0, 'r', 0, 'i', 0, 'f', 0, 0, 0,
    };
    ASSERT_EQ(size, expected.size());
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), expected);
}

TEST(DialogTemplate, NegativePositionsAndExtendedStyleAreStoredAsGiven) {
    alignas(4) BYTE buffer[kDialogTemplateSize];
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    MakeDialogTemplate(buffer, style, WS_EX_TOPMOST, -5, -1, 1, 2);
    const DLGTEMPLATE* t = reinterpret_cast<const DLGTEMPLATE*>(buffer);
    EXPECT_EQ(t->style, style);
    EXPECT_EQ(t->dwExtendedStyle, static_cast<DWORD>(WS_EX_TOPMOST));
    EXPECT_EQ(t->x, -5);
    EXPECT_EQ(t->y, -1);
    EXPECT_EQ(t->cx, 1);
    EXPECT_EQ(t->cy, 2);
}

// Every template names the thread's current template font: the default until start-up's
// thread state holds another, and the default again once that state is released.
TEST(DialogTemplate, NamesTheThreadsTemplateFont) {
    auto templateFont = [] {
        alignas(4) BYTE buffer[kDialogTemplateSize];
        size_t size = MakeDialogTemplate(buffer, kDefaultDialogStyle, 0, 0, 0, 10, 10);
        // After the empty menu and class and the title " ": the points, then the face.
        const WORD* w = reinterpret_cast<const WORD*>(buffer + sizeof(DLGTEMPLATE)) + 4;
        const WORD* end = reinterpret_cast<const WORD*>(buffer + size) - 1;
        std::string face;
        for (const WORD* c = w + 1; c < end; ++c) face += static_cast<char>(*c);
        return std::to_string(*w) + " " + face;
    };
    EXPECT_EQ(templateFont(), "8 MS Sans Serif") << "no thread state: the default";

    ASSERT_TRUE(AllocDialogThreadState());
    EXPECT_EQ(templateFont(), "8 MS Sans Serif");
    SetTemplateFont({"Courier New", 10});
    EXPECT_EQ(templateFont(), "10 Courier New");
    // A dialog made now has that font, and its dialog units follow it.
    HWND dialog = NewDialog(nullptr, "thread font", 0, 0, 100, 50, 0, 0);
    ASSERT_TRUE(dialog);
    LOGFONTA lf = FontOf(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
    EXPECT_EQ(lf.lfHeight, -MulDiv(10, ScreenPixelsPerInch(), 72));
    DestroyWindow(dialog);

    ReleaseDialogThreadState();
    EXPECT_EQ(templateFont(), "8 MS Sans Serif");
    SetTemplateFont({"Courier New", 10});  // without the state: nothing to set
    EXPECT_EQ(templateFont(), "8 MS Sans Serif");
}
