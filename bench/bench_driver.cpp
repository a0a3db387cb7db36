// The benchmark driver: starts the installer and the bare baseline programs in the Wine
// sandbox, drives them and prints one line per measurement ("<what> <program> <value>"),
// which scripts/bench.sh turns into medians and ratios. The two programs of a comparison
// run interleaved, in alternating order, round by round.
//
//   bench_driver startup ROUNDS INSTALLER BAREBOX FOLDER
//       process creation to the first dialog being visible, in milliseconds
//   bench_driver hold EXE FOLDER
//       starts EXE, prints "READY" once its first window is visible, waits for a line on
//       standard input, then closes it (scripts/bench.sh reads CPU times meanwhile)
//   bench_driver copy ROUNDS INSTALLER BARECOPY MEGABYTES
//       a full install of five staged files against five CopyFileA calls: milliseconds
//       from the start button to the result box, and the peak working set in bytes
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "support/driver.h"

static const char* const kWelcomeCaption = "ZARVO Systems Installer v1.00";
static const char* const kStatusCaption = "Installing Product on your Machine now";
static const char* const kProductNames[5] = {"qb.exe", "QBmanual100.PDF", "QBmanual100.doc",
                                             "QBmanual100.txt", "QBinstaller100.exe"};
static const int kWelcomeContinue = 1002;
static const int kStatusOk = 1018;

[[noreturn]] static void Fail(const char* what) {
    fprintf(stderr, "bench_driver: %s (error %lu)\n", what, GetLastError());
    fflush(stderr);
    ExitProcess(2);
}

// A program of ours started with its current folder `folder`, or the end of the benchmark.
static void Start(Installer& run, const char* exe, const char* folder) {
    if (!StartInstaller(run, "", folder, exe)) Fail(exe);
}

// The window with that caption, or (caption null) a message box other than `except`, seen
// within a millisecond of its appearing, or the end of the benchmark.
static HWND Seen(const Installer& run, const char* caption, HWND except = 0) {
    HWND window = WaitForWindowPrecisely(run, caption, except);
    if (!window) Fail(caption ? caption : "no message box");
    return window;
}

// Waits for the program to exit; one that does not is ended.
static void End(Installer& run) {
    if (WaitForExit(run, 10000) == STILL_ACTIVE) fprintf(stderr, "bench_driver: a program did not exit; ended it\n");
}

static std::string BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

static SIZE_T PeakWorkingSet(const Installer& run) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(run.process.hProcess, &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

// --- start-up -----------------------------------------------------------------------------

static double StartupOnce(const char* exe, const char* folder, bool installer) {
    Installer run;
    double t0 = NowMs();
    Start(run, exe, folder);
    HWND window = Seen(run, installer ? kWelcomeCaption : nullptr);
    double elapsed = NowMs() - t0;
    // Alt+F4 ends the welcome dialog and the run; the bare box is answered.
    if (installer) PostCloseCommand(window);
    else AnswerMessageBox(window);
    End(run);
    return elapsed;
}

static int Startup(int rounds, const char* installer, const char* bare, const char* folder) {
    // One round to warm the caches is not counted.
    StartupOnce(installer, folder, true);
    StartupOnce(bare, folder, false);
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            bool installerTurn = (turn == 0) == (round % 2 == 0);
            double ms = StartupOnce(installerTurn ? installer : bare, folder, installerTurn);
            printf("startup %s %.2f\n", installerTurn ? "installer" : "bare", ms);
            fflush(stdout);
        }
    }
    return 0;
}

// --- idle -----------------------------------------------------------------------------------

static int Hold(const char* exe, const char* folder) {
    Installer run;
    Start(run, exe, folder);
    bool installer = strstr(exe, "QBinstaller100") != nullptr;
    HWND window = Seen(run, installer ? kWelcomeCaption : nullptr);
    printf("READY %lu\n", run.process.dwProcessId);
    fflush(stdout);
    char line[64];
    if (!fgets(line, sizeof line, stdin)) {}
    if (installer) PostCloseCommand(window);
    else AnswerMessageBox(window);
    End(run);
    printf("DONE\n");
    fflush(stdout);
    return 0;
}

// --- copy -----------------------------------------------------------------------------------

static const char* const kMaster = "c:\\bench\\master";
static const char* const kInstalled = "c:\\zarvo\\quorbel";

static bool HasSize(const char* path, ULONGLONG size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    return ((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) == size;
}

// Four product files of `megabytes` / 4 MiB each, of varied bytes, made once.
static void MakeMaster(const char* installer, ULONGLONG eachBytes) {
    CreateDirectoryA("c:\\bench", nullptr);
    CreateDirectoryA(kMaster, nullptr);
    static char block[1 << 20];
    unsigned seed = 12345;
    for (int i = 0; i < 4; ++i) {
        char path[MAX_PATH];
        wsprintfA(path, "%s\\%s", kMaster, kProductNames[i]);
        if (HasSize(path, eachBytes)) continue;
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) Fail(path);
        for (ULONGLONG written = 0; written < eachBytes;) {
            for (size_t b = 0; b < sizeof block; ++b) {
                seed = seed * 1103515245u + 12345u;
                block[b] = static_cast<char>(seed >> 16);
            }
            DWORD n = static_cast<DWORD>(eachBytes - written < sizeof block ? eachBytes - written : sizeof block);
            DWORD done = 0;
            if (!WriteFile(file, block, n, &done, nullptr) || done != n) Fail(path);
            written += n;
        }
        CloseHandle(file);
    }
    char path[MAX_PATH];
    wsprintfA(path, "%s\\%s", kMaster, kProductNames[4]);
    if (!CopyFileA(installer, path, FALSE)) Fail(path);
}

// The install folder and the record go; the staging folder gets the five files again
// (hard links to the master copies: staging costs no copying).
static void Restage() {
    for (const char* name : kProductNames) {
        char path[MAX_PATH];
        wsprintfA(path, "%s\\%s", kInstalled, name);
        DeleteFileA(path);
        wsprintfA(path, "%s\\%s", kStaging, name);
        DeleteFileA(path);
    }
    RemoveDirectoryA(kInstalled);
    DeleteFileA("c:\\quorbelregistry.dat");
    CreateDirectoryA("c:\\zarvo", nullptr);
    CreateDirectoryA(kStaging, nullptr);
    for (const char* name : kProductNames) {
        char from[MAX_PATH], to[MAX_PATH];
        wsprintfA(from, "%s\\%s", kMaster, name);
        wsprintfA(to, "%s\\%s", kStaging, name);
        if (!CreateHardLinkA(to, from, nullptr) && !CopyFileA(from, to, FALSE)) Fail(to);
    }
}

static void CheckInstalled() {
    for (const char* name : kProductNames) {
        char from[MAX_PATH], to[MAX_PATH];
        wsprintfA(from, "%s\\%s", kMaster, name);
        wsprintfA(to, "%s\\%s", kInstalled, name);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(from, GetFileExInfoStandard, &data)) Fail(from);
        if (!HasSize(to, (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow))
            Fail(to);
    }
}

struct CopyResult {
    double ms;
    SIZE_T peak;
};

static CopyResult InstallOnce() {
    Restage();
    char exe[MAX_PATH];
    wsprintfA(exe, "%s\\%s", kStaging, kProductNames[4]);
    Installer run;
    Start(run, exe, kStaging);
    PostClick(Seen(run, kWelcomeCaption), kWelcomeContinue);
    HWND status = Seen(run, kStatusCaption);
    double t0 = NowMs();
    PostClick(status, kStatusOk);
    HWND box = Seen(run, nullptr);
    CopyResult result = {NowMs() - t0, PeakWorkingSet(run)};
    std::string text = BoxText(box);
    if (text != "Program Installation Successful!") {
        fprintf(stderr, "bench_driver: the install said \"%s\"\n", text.c_str());
        ExitProcess(2);
    }
    AnswerMessageBox(box);
    End(run);
    CheckInstalled();
    return result;
}

static CopyResult BareCopyOnce(const char* bare) {
    Restage();
    Installer run;
    Start(run, bare, kStaging);
    HWND first = Seen(run, nullptr);
    double t0 = NowMs();
    AnswerMessageBox(first);
    HWND box = Seen(run, nullptr, first);
    CopyResult result = {NowMs() - t0, PeakWorkingSet(run)};
    std::string text = BoxText(box);
    if (text != "Copied") {
        fprintf(stderr, "bench_driver: the bare copy said \"%s\"\n", text.c_str());
        ExitProcess(2);
    }
    AnswerMessageBox(box);
    End(run);
    CheckInstalled();
    return result;
}

static int Copy(int rounds, const char* installer, const char* bare, int megabytes) {
    MakeMaster(installer, static_cast<ULONGLONG>(megabytes) * 1024 * 1024 / 4);
    InstallOnce();
    BareCopyOnce(bare);
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            bool installerTurn = (turn == 0) == (round % 2 == 0);
            CopyResult r = installerTurn ? InstallOnce() : BareCopyOnce(bare);
            const char* who = installerTurn ? "installer" : "bare";
            printf("copy %s %.2f\npeak %s %lu\n", who, r.ms, who, static_cast<unsigned long>(r.peak));
            fflush(stdout);
        }
    }
    Restage();
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 6 && strcmp(argv[1], "startup") == 0)
        return Startup(atoi(argv[2]), argv[3], argv[4], argv[5]);
    if (argc == 4 && strcmp(argv[1], "hold") == 0) return Hold(argv[2], argv[3]);
    if (argc == 6 && strcmp(argv[1], "copy") == 0)
        return Copy(atoi(argv[2]), argv[3], argv[4], atoi(argv[5]));
    fprintf(stderr, "usage: bench_driver startup|hold|copy ... (see bench_driver.cpp)\n");
    return 1;
}
