// The picture driver: walks the real installer through every screen in the Wine sandbox and,
// at each one, prints "SHOT <name> <x> <y> <width> <height>" (the screen rectangle to keep)
// and waits for a line on standard input while scripts/pictures.sh takes the screenshot.
//
//   picture_driver tour          welcome, status, success, uninstaller, farewell
//   picture_driver welcome NAME  the welcome dialog alone, saved as NAME
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "drive.h"

static const char* const kStaging = "c:\\zarvo\\temp";
static const char* const kProduct = "P:\\bin\\QBinstaller100.exe";

static RECT Union(HWND a, HWND b) {
    RECT r, s;
    GetWindowRect(a, &r);
    if (b) {
        GetWindowRect(b, &s);
        UnionRect(&r, &r, &s);
    }
    return r;
}

// Lets the windows paint, asks for the screenshot and waits until it has been taken.
static void Shoot(const char* name, HWND window, HWND alsoWindow = nullptr) {
    Sleep(700);
    RECT r = Union(window, alsoWindow);
    printf("SHOT %s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
    fflush(stdout);
    char line[64];
    if (!fgets(line, sizeof line, stdin)) Fail("no answer to SHOT");
}

static void WriteSmallFile(const char* path, const char* text) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(path);
    DWORD written = 0;
    WriteFile(file, text, lstrlenA(text), &written, nullptr);
    CloseHandle(file);
}

// The five product files in the staging folder; no earlier installation.
static void Stage() {
    CreateDirectoryA("c:\\zarvo", nullptr);
    CreateDirectoryA(kStaging, nullptr);
    char path[MAX_PATH];
    for (int i = 0; i < 4; ++i) {
        wsprintfA(path, "%s\\%s", kStaging, kProductNames[i]);
        WriteSmallFile(path, kProductNames[i]);
    }
    wsprintfA(path, "%s\\%s", kStaging, kProductNames[4]);
    if (!CopyFileA(kProduct, path, FALSE)) Fail(path);
    for (const char* name : kProductNames) {
        wsprintfA(path, "c:\\zarvo\\quorbel\\%s", name);
        DeleteFileA(path);
    }
    RemoveDirectoryA("c:\\zarvo\\quorbel");
    DeleteFileA("c:\\quorbelregistry.dat");
}

static Child StartInstaller() {
    char exe[MAX_PATH];
    wsprintfA(exe, "%s\\%s", kStaging, kProductNames[4]);
    return Start(exe, kStaging);
}

static void Answer(HWND box, const char* expected) {
    char text[256];
    BoxText(box, text, sizeof text);
    if (lstrcmpA(text, expected) != 0) {
        fprintf(stderr, "picture_driver: the box said \"%s\"\n", text);
        Fail(expected);
    }
    Click(box, IDOK);
}

// The text of a control of another process (WM_GETTEXT works across processes).
static void ControlText(HWND dialog, int id, char* text, int size) {
    text[0] = 0;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, size, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

static void Install() {
    Child child = StartInstaller();
    HWND welcome = WaitFor(child, kWelcomeCaption);
    Shoot("welcome", welcome);
    Click(welcome, 1002);
    HWND status = WaitFor(child, kStatusCaption);
    Shoot("install-status", status);
    Click(status, 1018);
    HWND box = WaitFor(child, nullptr);
    Shoot("install-success", box, status);
    Answer(box, "Program Installation Successful!");
    End(child);
}

static void Uninstall() {
    Child child = StartInstaller();
    Click(WaitFor(child, kWelcomeCaption), 1004);
    HWND dialog = WaitFor(child, kUninstallerCaption);
    // Once the removal runs, the dialog handles one message per pass: it must be painted
    // whole before "OK, Destroy Now" is pressed.
    Sleep(1000);
    Click(dialog, 1006);
    // Two passes in, so that the status box shows a file being deleted.
    char text[128] = {};
    double deadline = Now() + 20000;
    while (lstrcmpA(text, "del QBmanual100.doc") != 0 && Now() < deadline) {
        Sleep(50);
        ControlText(dialog, 1009, text, sizeof text);
    }
    Shoot("uninstall-running", dialog);
    Answer(WaitFor(child, nullptr), "Uninstallation Successful!");
    End(child);
}

static void Farewell() {
    Child child = StartInstaller();
    Click(WaitFor(child, kWelcomeCaption), 1003);
    HWND farewell = WaitFor(child, kFarewellCaption);
    Shoot("farewell", farewell);
    Click(farewell, 1014);
    End(child);
}

static void WelcomeAlone(const char* name) {
    Child child = StartInstaller();
    HWND welcome = WaitFor(child, kWelcomeCaption);
    Shoot(name, welcome);
    CloseBySystem(welcome);
    End(child);
}

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "tour") == 0) {
        Stage();
        Install();
        Uninstall();
        Farewell();
    } else if (argc == 3 && strcmp(argv[1], "welcome") == 0) {
        Stage();
        WelcomeAlone(argv[2]);
    } else {
        fprintf(stderr, "usage: picture_driver tour | welcome NAME\n");
        return 1;
    }
    printf("DONE\n");
    fflush(stdout);
    return 0;
}
