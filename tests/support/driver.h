// Drives QBinstaller100.exe as a separate process, as a person would: finds its windows,
// presses its buttons and keys, answers its message boxes, waits for its exit code.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/sandbox.h"

struct Installer {
    PROCESS_INFORMATION process = {};
    ~Installer();  // a run still going at the end of a test is ended
};

// Starts exe with the command-line tail `tail`, its current folder `folder` (a sandbox drive),
// through the wide command line, as Windows starts a program: a wide tail can hold characters
// that the program's ANSI code page has not.
bool StartInstaller(Installer& run, const std::string& tail = "",
                    const std::string& folder = "c:\\zarvo\\temp",
                    const std::string& exe = "c:\\zarvo\\temp\\QBinstaller100.exe");
bool StartInstaller(Installer& run, const std::wstring& tail, const std::string& folder = "c:\\zarvo\\temp",
                    const std::string& exe = "c:\\zarvo\\temp\\QBinstaller100.exe");

// The visible top-level window of the process with that caption; 0 after the timeout.
HWND WaitForWindow(const Installer& run, const char* caption, int timeoutMs = kPatienceMs);
std::vector<HWND> TopWindows(const Installer& run);  // visible ones

struct MessageBoxSeen {
    HWND box = 0;
    std::string caption;
    std::string text;
};
// The next message box of the process (a #32770 window with a 0xFFFF static) that is not
// `except`; box is 0 after the timeout.
MessageBoxSeen WaitForMessageBox(const Installer& run, int timeoutMs = kPatienceMs, HWND except = 0);
void AnswerMessageBox(HWND box);  // presses its OK

void PostClick(HWND dialog, int id);     // BM_CLICK, posted: returns at once
std::string WindowText(HWND window);     // WM_GETTEXT, which works across processes
// Real key presses (SendInput) to the window, after bringing it to the foreground.
void PressKey(HWND window, WORD vk, bool alt = false);

// The exit code, or STILL_ACTIVE after the timeout.
DWORD WaitForExit(const Installer& run, int timeoutMs = kPatienceMs);

// A process that the installer started (the hand-over of a removal), found by its parent's
// id: a handle that can wait for it and read its exit code and image, or 0 after the
// timeout. The caller closes it.
HANDLE WaitForChildProcess(const Installer& run, int timeoutMs = kPatienceMs);
// The exit code of any process, or STILL_ACTIVE after the timeout.
DWORD WaitForExit(HANDLE process, int timeoutMs = kPatienceMs);
std::string ProcessImage(HANDLE process);  // its program file's full path

// A run of the program's test build stopped at a step, as by a power cut or Task Manager:
// StartStoppingAt starts exe (the test build) so that it stops right after the file call that
// makes `when` true, until the test lets it go on or ends it. `when` is "made:PATH" (there is
// something at PATH; a "*" in its last part stands for any characters), "gone:PATH" (nothing
// is) or "written:PATH" (a file with at least one byte is). WaitUntilStopped says whether it
// stopped there (false when it ended or after the timeout); GoOn lets it go on; EndStopped
// ends it there.
bool StartStoppingAt(Installer& run, const std::string& when, const std::string& exe,
                     const std::string& tail = "", const std::string& folder = "c:\\zarvo\\temp");
bool WaitUntilStopped(const Installer& run, int timeoutMs = kPatienceMs);
void GoOn(const Installer& run);
void EndStopped(Installer& run);

// For drivers outside the tests (the demo's tour, the benchmark), which time what they see.
double NowMs();  // a monotonic clock, in milliseconds, to a fraction of one
// The moment a window appears, to the millisecond: polls every millisecond for the visible
// top-level window of the process with that caption or, when caption is null, for any of
// its message boxes other than `except`, and sends it nothing (a busy program is not kept
// waiting). 0 when the process has exited or after the timeout.
HWND WaitForWindowPrecisely(const Installer& run, const char* caption, HWND except = 0,
                            int timeoutMs = 60000);
// The system close command, posted: Alt+F4 as the dialog layer sees it, without the
// foreground window that real keys need.
void PostCloseCommand(HWND window);
