// The floor for the install's copying: waits in one message box, then makes the install
// folder and copies the five staged files into it with CopyFileA, then shows a second box.
// The benchmark driver times from answering the first box to the second box appearing, the
// same way it times the installer from its "OK" to its success message.
#include <windows.h>

static const char* const kNames[5] = {"qb.exe", "QBmanual100.PDF", "QBmanual100.doc",
                                      "QBmanual100.txt", "QBinstaller100.exe"};

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "Copy now", "Bare copy", MB_OK);
    CreateDirectoryA("c:\\zarvo\\quorbel", nullptr);
    int copied = 0;
    for (const char* name : kNames) {
        char from[MAX_PATH], to[MAX_PATH];
        wsprintfA(from, "\\zarvo\\temp\\%s", name);
        wsprintfA(to, "\\zarvo\\quorbel\\%s", name);
        if (CopyFileA(from, to, FALSE)) ++copied;
    }
    MessageBoxA(nullptr, copied == 5 ? "Copied" : "Copy failed", "Bare copy", MB_OK);
    return copied == 5 ? 0 : 1;
}
