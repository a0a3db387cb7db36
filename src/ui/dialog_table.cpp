#include "ui/dialog_table.h"

// How many of the table's fonts the builder makes: no more than its array holds.
static int FontsMade(const DialogSpec& layout) {
    return layout.fontCount < kMaxDialogFonts ? layout.fontCount : kMaxDialogFonts;
}

HWND BuildDialog(const DialogSpec& layout, HWND owner, HFONT fonts[kMaxDialogFonts]) {
    HWND dialog = NewDialog(owner, layout.caption, layout.x, layout.y, layout.width, layout.height, 0, 0);
    for (int i = 0; i < layout.controlCount; ++i) {
        const ControlSpec& c = layout.controls[i];
        AddControl(dialog, c.kind, c.id, c.text, c.x, c.y, c.width, c.height, 0, 0);
        if (c.textColor != kColorNotSet) SetControlColor(dialog, c.id, c.textColor, c.backgroundColor);
    }
    const int fontCount = FontsMade(layout);
    for (int f = 0; f < fontCount; ++f)
        fonts[f] = MakeDialogFont(layout.fonts[f].face, layout.fonts[f].points, layout.fonts[f].weight);
    // A row that names a font beyond those made keeps the template font.
    for (int i = 0; i < layout.controlCount; ++i) {
        const ControlSpec& c = layout.controls[i];
        if (c.font >= 0 && c.font < fontCount) SetControlFont(dialog, c.id, fonts[c.font]);
    }
    return dialog;
}

int32_t RunDialog(const DialogSpec& layout, HWND owner, DialogCallback callback) {
    HFONT fonts[kMaxDialogFonts] = {};
    int32_t result = 0;
    HWND dialog = BuildDialog(layout, owner, fonts);
    ShowDialogModal(dialog, callback, result);
    for (int f = 0; f < FontsMade(layout); ++f) DeleteObject(fonts[f]);
    return result;
}
