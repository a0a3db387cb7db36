// The tests of each dialog as the layer builds it: their fixture, and the checks they share
// (caption and place, each control as laid out, fonts, the red-on-yellow note, the focus
// kept across deactivation, and across processes a running dialog against a twin built
// here). Every check reports through GoogleTest; none of them ends the test.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/dialog_table.h"

// The dialog of one table, built here and never shown, for the tests of that dialog as
// built; before and after each test no installation has ended (FinishFlag 0) and the
// focus its callback saves is cleared.
class DialogAsBuilt : public ::testing::Test {
protected:
    DialogAsBuilt(const DialogSpec& layout, HWND& savedFocus) : layout(layout), savedFocus(savedFocus) {}
    void SetUp() override;
    void TearDown() override;
    HWND dialog = nullptr;
    HFONT fonts[kMaxDialogFonts] = {};

private:
    const DialogSpec& layout;
    HWND& savedFocus;
};

// Two rectangles, corner by corner.
void ExpectSameRect(const RECT& actual, const RECT& expected);
// The control's window rectangle in its dialog's client coordinates.
RECT PlaceInDialog(HWND dialog, HWND control);

// Pixels per logical inch of the screen (96, or 120 in the *_at_120dpi runs).
int ScreenPixelsPerInch();
LOGFONTA FontOf(HFONT font);
LOGFONTA FontOf(HWND control);  // the font the control answers WM_GETFONT with

// A control's font: its own face, points and weight, or the dialog's template font.
struct ExpectedFont {
    const char* face;  // nullptr: the template font (8-point "MS Sans Serif", regular)
    int points;
    int weight;
};
constexpr ExpectedFont kTemplateFont = {nullptr, 0, 0};

// The styles a control of each kind should have.
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kTextBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;  // with WS_EX_CLIENTEDGE

// One control as the dialog should hold it.
struct ExpectedControl {
    int id;
    const char* windowClass;  // compared without regard to case
    DWORD style;
    DWORD exStyle;
    RECT units;  // corners in dialog units
    const char* text;
    ExpectedFont font;
    int heightAt96;  // the font's height at 96 pixels per inch, as a number
};

// The dialog as built and not yet shown: its caption; the client area's origin on the screen
// at the point (x, y) in dialog units (it has no owner) and its client size (width, height)
// mapped as a size; the default dialog style, no close box, hidden; no extended style beyond
// what the system gives every dialog.
void ExpectDialogPlace(HWND dialog, const char* caption, int x, int y, int width, int height);

// A control's own font: face, height -(points * dpi) / 72, weight, plain, ANSI; or the very
// font of the dialog, 8-point "MS Sans Serif" (height -MulDiv(8, dpi, 72)) of weight <= 400.
void ExpectControlFont(HWND dialog, int id, const ExpectedFont& font);

// The dialog's controls, in creation (tab) order, exactly the rows and no more: class, style,
// extended style, enabled, text, pixel rectangle (the mapped corners) and font, and on a
// screen of 96 pixels per inch the font's height.
void ExpectControlsAsLaidOut(HWND dialog, const ExpectedControl* rows, int count);
template <int N>
void ExpectControlsAsLaidOut(HWND dialog, const ExpectedControl (&rows)[N]) {
    ExpectControlsAsLaidOut(dialog, rows, N);
}

// The dialog's answer to WM_CTLCOLORSTATIC for the control: red text on yellow, and a solid
// yellow brush.
void ExpectRedOnYellow(HWND dialog, int id);

// Shows the dialog and checks that its callback keeps the keyboard focus across
// deactivation: `keep` has it when the dialog is deactivated and the callback saves it;
// `elsewhere` takes it meanwhile; on reactivation it is back on `keep`, the saved handle cleared.
void ExpectFocusKeptAcrossDeactivation(HWND dialog, DialogCallback callback, HWND& savedFocus, HWND keep,
                                       HWND elsewhere);

// Compares a dialog of another process with a never-shown twin built here from the same
// table (MapDialogRect does not work across processes): each control of the table there,
// visible, with the table's text and the twin's rectangle; the same client origin and size.
void ExpectLaidOutAsBuiltHere(HWND theirs, const DialogSpec& layout);
