#include "ui/dialog_spec.h"

HWND BuildDialog(const DialogSpec& layout, HWND owner, HFONT fonts[kMaxDialogFonts]) {
    HWND dialog = NewDialog(owner, layout.caption, layout.x, layout.y, layout.width, layout.height, 0, 0);
    for (int i = 0; i < layout.controlCount; ++i) {
        const ControlSpec& c = layout.controls[i];
        AddControl(dialog, c.kind, c.id, c.text, c.x, c.y, c.width, c.height, 0, 0);
        if (c.textColor != kColorNotSet) SetControlColor(dialog, c.id, c.textColor, c.backgroundColor);
    }
    for (int f = 0; f < layout.fontCount && f < kMaxDialogFonts; ++f)
        fonts[f] = MakeDialogFont(layout.fonts[f].face, layout.fonts[f].points, layout.fonts[f].weight);
    for (int i = 0; i < layout.controlCount; ++i) {
        const ControlSpec& c = layout.controls[i];
        if (c.font >= 0 && c.font < layout.fontCount) SetControlFont(dialog, c.id, fonts[c.font]);
    }
    return dialog;
}

int32_t RunDialog(const DialogSpec& layout, HWND owner, DialogCallback callback) {
    HFONT fonts[kMaxDialogFonts] = {};
    int32_t result = 0;
    HWND dialog = BuildDialog(layout, owner, fonts);
    ShowDialogModal(dialog, callback, result);
    for (int f = 0; f < layout.fontCount && f < kMaxDialogFonts; ++f) DeleteObject(fonts[f]);
    return result;
}
