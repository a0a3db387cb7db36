// Driving a program of ours from outside, as a person would: start it with its current
// folder on a sandbox drive, find its windows, press its buttons. Shared by the benchmark
// and picture drivers.
#pragma once
#include <windows.h>

#include <stdio.h>

static const char* const kWelcomeCaption = "ZARVO Systems Installer v1.00";
static const char* const kStatusCaption = "Installing Product on your Machine now";
static const char* const kUninstallerCaption = "Quorbel v1.00 Program Uninstaller";
static const char* const kFarewellCaption = "Installation Canceled";
static const char* const kProductNames[5] = {"qb.exe", "QBmanual100.PDF", "QBmanual100.doc",
                                             "QBmanual100.txt", "QBinstaller100.exe"};

inline double Now() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline void Fail(const char* what) {
    fprintf(stderr, "driver: %s (error %lu)\n", what, GetLastError());
    fflush(stderr);
    ExitProcess(2);
}

struct Child {
    PROCESS_INFORMATION info = {};
};

inline Child Start(const char* exe, const char* folder) {
    char commandLine[MAX_PATH + 2];
    wsprintfA(commandLine, "\"%s\"", exe);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Child child;
    if (!CreateProcessA(exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &child.info))
        Fail(exe);
    return child;
}

// Waits for the child to exit; one that does not is ended.
inline void End(Child& child) {
    if (WaitForSingleObject(child.info.hProcess, 10000) != WAIT_OBJECT_0) {
        fprintf(stderr, "driver: a program did not exit; ended it\n");
        TerminateProcess(child.info.hProcess, 99);
        WaitForSingleObject(child.info.hProcess, 5000);
    }
    CloseHandle(child.info.hProcess);
    CloseHandle(child.info.hThread);
}

// A message box: a dialog whose text is in a static control with id 0xFFFF.
inline bool IsMessageBox(HWND window) {
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpiA(cls, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}

struct WindowSearch {
    DWORD pid;
    const char* caption;  // the window's caption, or null for any message box
    HWND except;
    HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    WindowSearch* s = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || window == s->except || !IsWindowVisible(window)) return TRUE;
    if (s->caption) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        if (lstrcmpA(text, s->caption) != 0) return TRUE;
    } else if (!IsMessageBox(window)) {
        return TRUE;
    }
    s->found = window;
    return FALSE;
}

// Polls every millisecond for a visible top-level window of the child: the one with that
// caption, or any message box other than `except` when caption is null.
inline HWND WaitFor(const Child& child, const char* caption, HWND except = nullptr) {
    double deadline = Now() + 60000;
    while (Now() < deadline) {
        WindowSearch s = {child.info.dwProcessId, caption, except, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (WaitForSingleObject(child.info.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    Fail(caption ? caption : "no message box");
    return nullptr;
}

// The text of a message box, read without sending it a message (the program may be busy).
inline void BoxText(HWND box, char* text, int size) {
    text[0] = 0;
    GetWindowTextA(GetDlgItem(box, 0xFFFF), text, size);
}

inline void Click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Alt+F4 as the dialog layer sees it: the system close command.
inline void CloseBySystem(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }
