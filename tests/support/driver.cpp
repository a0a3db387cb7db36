#include "support/driver.h"

#include <tlhelp32.h>

#include <string.h>

#include <string>

// Declared with the sandbox's helpers; defined here, so that the demo's and the benchmark's
// drivers, built without GoogleTest and so without the sandbox, have it too.
std::wstring Wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

Installer::~Installer() {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

bool StartInstaller(Installer& run, const std::string& tail, const std::string& folder,
                    const std::string& exe) {
    return StartInstaller(run, Wide(tail), folder, exe);
}

bool StartInstaller(Installer& run, const std::wstring& tail, const std::string& folder,
                    const std::string& exe) {
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (!tail.empty()) commandLine += L" " + tail;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(Wide(exe).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          Wide(folder).c_str(), &startup, &run.process) != 0;
}

struct Collect {
    DWORD pid;
    std::vector<HWND> windows;
};

static BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    Collect* c = reinterpret_cast<Collect*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid && IsWindowVisible(window)) c->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows(const Installer& run) {
    Collect c = {run.process.dwProcessId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&c));
    return c.windows;
}

std::string WindowText(HWND window) {
    char text[2048] = {};
    DWORD_PTR ignored = 0;
    // Not given up when the program seems hung: on a slow machine a program at work answers late.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kPatienceMs,
                        &ignored);
    return text;
}

static bool Exited(const Installer& run) { return WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0; }

HWND WaitForWindow(const Installer& run, const char* caption, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        for (HWND w : TopWindows(run)) {
            char text[256] = {};
            GetWindowTextA(w, text, sizeof text);
            if (lstrcmpA(text, caption) == 0) return w;
        }
        if (Exited(run)) return 0;
        Sleep(20);
    }
    return 0;
}

MessageBoxSeen WaitForMessageBox(const Installer& run, int timeoutMs, HWND except) {
    MessageBoxSeen seen;
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        for (HWND w : TopWindows(run)) {
            char cls[32] = {};
            GetClassNameA(w, cls, sizeof cls);
            HWND textControl = GetDlgItem(w, 0xFFFF);
            if (w != except && lstrcmpiA(cls, "#32770") == 0 && textControl) {
                char caption[256] = {};
                GetWindowTextA(w, caption, sizeof caption);
                seen.box = w;
                seen.caption = caption;
                seen.text = WindowText(textControl);
                return seen;
            }
        }
        if (Exited(run)) break;
        Sleep(20);
    }
    return seen;
}

void AnswerMessageBox(HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }

void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND window, WORD vk, bool alt) {
    SetForegroundWindow(window);
    Sleep(50);
    INPUT keys[4] = {};
    int n = 0;
    auto key = [&](WORD code, bool up) {
        keys[n].type = INPUT_KEYBOARD;
        keys[n].ki.wVk = code;
        keys[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++n;
    };
    if (alt) key(VK_MENU, false);
    key(vk, false);
    key(vk, true);
    if (alt) key(VK_MENU, true);
    SendInput(n, keys, sizeof(INPUT));
    Sleep(100);
}

DWORD WaitForExit(const Installer& run, int timeoutMs) { return WaitForExit(run.process.hProcess, timeoutMs); }

DWORD WaitForExit(HANDLE process, int timeoutMs) {
    WaitForSingleObject(process, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

static DWORD ChildProcessId(DWORD parentId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parentId) child = entry.th32ProcessID;
    CloseHandle(snapshot);
    return child;
}

HANDLE WaitForChildProcess(const Installer& run, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        if (DWORD id = ChildProcessId(run.process.dwProcessId))
            return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id);
        Sleep(20);
    }
    return 0;
}

std::string ProcessImage(HANDLE process) {
    char image[MAX_PATH] = {};
    DWORD n = MAX_PATH;
    return QueryFullProcessImageNameA(process, 0, image, &n) ? image : "";
}

double NowMs() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static bool IsMessageBoxOf(HWND window) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpiA(cls, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}

HWND WaitForWindowPrecisely(const Installer& run, const char* caption, HWND except, int timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    do {
        for (HWND w : TopWindows(run)) {
            if (w == except) continue;
            if (!caption) {
                if (IsMessageBoxOf(w)) return w;
                continue;
            }
            char text[256] = {};
            GetWindowTextA(w, text, sizeof text);
            if (lstrcmpA(text, caption) == 0) return w;
        }
        if (Exited(run)) return 0;
        Sleep(1);
    } while (NowMs() < deadline);
    return 0;
}

void PostCloseCommand(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// The events of a stopped run, named by its process id: the test build sets the first when
// it stops, and waits for the second.
static std::string StopEventName(const Installer& run, const char* which) {
    return std::string("qb-") + which + "-" + std::to_string(run.process.dwProcessId);
}

bool StartStoppingAt(Installer& run, const std::string& when, const std::string& exe, const std::string& tail,
                     const std::string& folder) {
    SetEnvironmentVariableA("QB_STOP_WHEN", when.c_str());
    bool started = StartInstaller(run, tail, folder, exe);
    SetEnvironmentVariableA("QB_STOP_WHEN", nullptr);
    return started;
}

bool WaitUntilStopped(const Installer& run, int timeoutMs) {
    const std::string name = StopEventName(run, "stopped");
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        HANDLE stopped = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
        bool set = stopped && WaitForSingleObject(stopped, 0) == WAIT_OBJECT_0;
        if (stopped) CloseHandle(stopped);
        if (set) return true;
        if (WaitForSingleObject(run.process.hProcess, 20) == WAIT_OBJECT_0) return false;
    }
    return false;
}

void GoOn(const Installer& run) {
    HANDLE go = OpenEventA(EVENT_MODIFY_STATE, FALSE, StopEventName(run, "go").c_str());
    if (go) {
        SetEvent(go);
        CloseHandle(go);
    }
}

void EndStopped(Installer& run) {
    TerminateProcess(run.process.hProcess, 1);
    WaitForSingleObject(run.process.hProcess, kPatienceMs);
}
