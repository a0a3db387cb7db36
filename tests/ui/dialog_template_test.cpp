// The in-memory dialog template, byte for byte.
#include <gtest/gtest.h>

#include <vector>

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
