// The dialogs of the system as const tables, and their one builder on the dialog layer.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "ui/dialog_layer.h"

// One dialog of the system as a table: its builder is NewDialog, AddControl for each row,
// SetControlColor where a row has colours, MakeDialogFont for each font, SetControlFont in
// row order, ShowDialogModal, then the fonts deleted in the order they were made.
struct ControlSpec {
    int id;
    ControlKind kind;
    int x, y, width, height;
    const char* text;
    int font;  // index into the dialog's fonts, -1 for the template font
    // Left not set, SetControlColor is not called.
    LONG textColor = kColorNotSet;
    LONG backgroundColor = kColorNotSet;
};
struct FontSpec {
    const char* face;
    int points;
    int weight;
};
struct DialogSpec {
    const char* caption;
    int x, y, width, height;
    const ControlSpec* controls;
    int controlCount;
    const FontSpec* fonts;
    int fontCount;
};
const int kMaxDialogFonts = 4;

// The number of rows of a table, counted by the compiler.
template <typename Row, size_t N>
constexpr int CountOf(const Row (&)[N]) {
    return static_cast<int>(N);
}

// A note's colours: red text on yellow.
const LONG kNoteTextColor = RGB(255, 0, 0);
const LONG kNoteBackgroundColor = RGB(255, 255, 0);

// Builds the dialog of layout without showing it; fonts[] receives the fonts made, at most
// kMaxDialogFonts of them: a row that names a font beyond those keeps the template font.
HWND BuildDialog(const DialogSpec& layout, HWND owner, HFONT fonts[kMaxDialogFonts]);
// Builds, runs modally, deletes the fonts and returns the result (0 unless ended otherwise).
int32_t RunDialog(const DialogSpec& layout, HWND owner, DialogCallback callback);
