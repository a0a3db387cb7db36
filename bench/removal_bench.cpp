// The removal's own work, timed in this process: RunUninstall on a real uninstaller dialog
// with the pacing of its passes (the pump's wait and the half-second pauses) taken out
// through the pause seam, from the press of "OK, Destroy Now" to its outcome box, against
// five DeleteFileA calls on the same five files. Prints "remove removal <ms>" and
// "remove bare <ms>", interleaved round by round (scripts/bench.sh takes the medians).
//
//   removal_bench ROUNDS
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "base/product.h"
#include "run/globals.h"
#include "support/driver.h"
#include "support/inprocess.h"
#include "ui/dialog_layer.h"
#include "ui/dialog_table.h"
#include "ui/message.h"
#include "uninstall/uninstaller_dialog.h"

static const char* const kFolder = "c:\\zarvo\\quorbel";

static void NoPause(DWORD) {}

[[noreturn]] static void Fail(const char* what) {
    fprintf(stderr, "removal_bench: %s (error %lu)\n", what, GetLastError());
    ExitProcess(2);
}

// The five product files of 64 KiB each and the record, as an install leaves them.
static void Installed() {
    static char bytes[65536];
    CreateDirectoryA("c:\\zarvo", nullptr);
    CreateDirectoryA(kFolder, nullptr);
    for (const char* name : kProductFileNames) {
        char path[MAX_PATH];
        wsprintfA(path, "%s\\%s", kFolder, name);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done = 0;
        if (file == INVALID_HANDLE_VALUE || !WriteFile(file, bytes, sizeof bytes, &done, nullptr)) Fail(path);
        CloseHandle(file);
    }
    HANDLE record = CreateFileA(kDefaultRecordPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    if (record == INVALID_HANDLE_VALUE || !WriteFile(record, "c:\\zarvo\\quorbel\r", 17, &done, nullptr))
        Fail(kDefaultRecordPath);
    CloseHandle(record);
}

static double RemovalOnce() {
    Installed();
    double pressed = 0, shown = 0;
    MessageBoxAnswerer answerer;
    answerer.onBox = [&](const SeenBox& box) {
        shown = NowMs();
        if (box.text != "Uninstallation Successful!") Fail(box.text.c_str());
    };
    HFONT fonts[kMaxDialogFonts] = {};
    HWND dialog = BuildDialog(UninstallerDialog, nullptr, fonts);
    if (!dialog) Fail("no uninstaller dialog");
    WhenRunning([&] {
        pressed = NowMs();
        Click(dialog, kDestroyButton);
    });
    int32_t result = 0;
    ShowDialogModal(dialog, UninstallerDialogProc, result);
    for (HFONT font : fonts) DeleteObject(font);
    if (GetFileAttributesA(kFolder) != INVALID_FILE_ATTRIBUTES) Fail("the folder is still there");
    return shown - pressed;
}

static double BareOnce() {
    Installed();
    double start = NowMs();
    for (const char* name : kProductFileNames) {
        char path[MAX_PATH];
        wsprintfA(path, "%s\\%s", kFolder, name);
        if (!DeleteFileA(path)) Fail(path);
    }
    double elapsed = NowMs() - start;
    DeleteFileA(kDefaultRecordPath);
    RemoveDirectoryA(kFolder);
    return elapsed;
}

int main(int argc, char** argv) {
    int rounds = argc == 2 ? atoi(argv[1]) : 0;
    if (rounds <= 0) {
        fprintf(stderr, "usage: removal_bench ROUNDS\n");
        return 1;
    }
    if (!SetCurrentDirectoryA("c:\\") || !AllocDialogThreadState()) Fail("no start");
    SetDialogLayerInstance(GetModuleHandleA(nullptr));
    CreateStringTables();
    Pause = NoPause;
    RemovalOnce();  // one round to warm the caches is not counted
    BareOnce();
    for (int round = 0; round < rounds; ++round)
        for (int turn = 0; turn < 2; ++turn) {
            bool removal = (turn == 0) == (round % 2 == 0);
            printf("remove %s %.3f\n", removal ? "removal" : "bare", removal ? RemovalOnce() : BareOnce());
            fflush(stdout);
        }
    return 0;
}
