// Helpers for tests that run the product's dialogs and procedures inside the test process.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
};

// Answers every message box of this thread with OK (a WH_CBT hook on its activation) and
// records its caption and text. onBox, when set, runs while the box is open, before the
// answer is posted. One at a time.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    std::vector<SeenBox> boxes;
    std::function<void(const SeenBox&)> onBox;
};

// The boxes' texts, in order.
std::vector<std::string> BoxTexts(const std::vector<SeenBox>& boxes);

// Records, in order, every text a control is given (WM_SETTEXT), by subclassing it.
class TextRecorder {
public:
    explicit TextRecorder(HWND control);
    ~TextRecorder();
    std::vector<std::string> texts;
    HWND control;
    WNDPROC original;
};

// Calls action once the dialog's modal loop is running (from a one-shot thread timer that
// the loop dispatches); builders block in their loop, so tests act from here.
void WhenRunning(std::function<void()> action);

// The first top-level window of this thread with the given caption, or 0.
HWND FindOwnWindow(const char* caption);
// Sends BM_CLICK to the dialog's control id (the callback runs before this returns).
void Click(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
