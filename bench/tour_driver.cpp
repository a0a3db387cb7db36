// The tour: drives the real installer through its whole story as a person would and tells,
// step by step, what was pressed and what the program answered.
//   1. welcome, "Yes, let's Continue!", the status dialog, "OK", the outcome box;
//   2. welcome, "Remove/Uninstall ...", "OK, Destroy Now", the status texts, the outcome box;
//   3. welcome, "No, Maybe Later", the farewell dialog and its button.
// The installer must be staged in c:\zarvo\temp with nothing installed yet; it is started
// with its current folder c:\.
//
// At each screen worth a picture it prints "SHOT <name> <x> <y> <width> <height>" (the
// screen rectangle to keep) and waits for a line on standard input while scripts/demo.sh
// takes the picture; "SNAP ..." is the same without the wait, for a screen that changes by
// itself. Every other line is the story. Exit code 0 when everything went as a user would
// expect, 1 (after a line "FAILED: ...") when not.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/driver.h"

namespace {

const char kInstaller[] = "c:\\zarvo\\temp\\QBinstaller100.exe";
const char kInstallFolder[] = "c:\\zarvo\\quorbel";
const char kRecord[] = "c:\\quorbelregistry.dat";

const char kWelcome[] = "ZARVO Systems Installer v1.00";
const char kStatus[] = "Installing Product on your Machine now";
const char kUninstaller[] = "Quorbel v1.00 Program Uninstaller";
const char kFarewell[] = "Installation Canceled";

// The controls a person uses, by dialog.
enum WelcomeControl { kContinue = 1002, kMaybeLater = 1003, kRemove = 1004 };
enum StatusControl { kProgressBox = 1007, kInstallOk = 1018 };
enum UninstallerControl { kDestroyNow = 1006, kRemovalStatus = 1009 };
enum FarewellControl { kExitToWindows = 1014 };

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

[[noreturn]] void Fail(const char* what) {
    Say("FAILED: %s", what);
    ExitProcess(1);
}

void Expect(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// The rectangle on screen of the windows together.
RECT Around(HWND a, HWND b = 0) {
    RECT r = {}, s = {};
    GetWindowRect(a, &r);
    if (b && GetWindowRect(b, &s)) UnionRect(&r, &r, &s);
    return r;
}

void AskForPicture(const char* verb, const char* name, RECT r) {
    Say("%s %s %ld %ld %ld %ld", verb, name, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A still screen: lets it paint, asks for the picture and waits until it has been taken.
void Shoot(const char* name, HWND window, HWND alsoWindow = 0) {
    Sleep(700);
    AskForPicture("SHOT", name, Around(window, alsoWindow));
    char line[64];
    if (!fgets(line, sizeof line, stdin)) Fail("nobody took the picture");
}

// A screen that changes by itself: the picture is taken while the tour goes on.
void Snap(const char* name, HWND window) {
    Sleep(150);
    AskForPicture("SNAP", name, Around(window));
}

std::string ButtonText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void Press(HWND dialog, int id) {
    Say("  pressed \"%s\"", ButtonText(dialog, id).c_str());
    PostClick(dialog, id);
}

HWND Opened(const Installer& run, const char* caption, const char* what) {
    HWND window = WaitForWindow(run, caption, 30000);
    if (!window) Fail((std::string("no ") + what + " \"" + caption + "\" appeared").c_str());
    Say("  the %s \"%s\" is open", what, caption);
    return window;
}

// The outcome box: its caption and text must be the expected ones; it is answered.
void Answered(const Installer& run, const char* expected, const char* picture, HWND behind) {
    MessageBoxSeen box = WaitForMessageBox(run, 30000);
    if (!box.box) Fail((std::string("no box saying \"") + expected + "\"").c_str());
    Say("  a box \"%s\" says \"%s\"", box.caption.c_str(), box.text.c_str());
    Expect(box.caption == "Quorbel" && box.text == expected,
           (std::string("the box should have said \"") + expected + "\"").c_str());
    Shoot(picture, box.box, behind);
    Say("  pressed its \"%s\"", ButtonText(box.box, IDOK).c_str());
    AnswerMessageBox(box.box);
}

void Exits(const Installer& run) {
    DWORD code = WaitForExit(run);
    if (code == STILL_ACTIVE) Fail("the installer did not exit by itself");
    Say("  the installer exited by itself with code %lu", code);
    Expect(code == 0, "the exit code should have been 0");
}

void Start(Installer& run, int number) {
    Say("");
    Say("run %d: %s, started with its current folder c:\\", number, kInstaller);
    Expect(StartInstaller(run, "", "c:\\", kInstaller), "the installer did not start");
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FileBytes(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

// The names of the files of a folder (no subfolders), sorted.
std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "nothing" : list;
}

// Shows a text with its line ends visible.
std::string Visible(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (c == '\r') shown += "<CR>";
        else if (c == '\n') shown += "<LF>";
        else shown += c;
    }
    return shown;
}

struct StagedFile {
    std::string name, bytes;
};

std::vector<StagedFile> StagedFiles() {
    std::vector<StagedFile> staged;
    for (const std::string& name : Files(kStaging))
        staged.push_back({name, FileBytes(std::string(kStaging) + "\\" + name)});
    return staged;
}

void Install(const std::vector<StagedFile>& staged) {
    Installer run;
    Start(run, 1);
    HWND welcome = Opened(run, kWelcome, "welcome dialog");
    Shoot("welcome", welcome);
    Press(welcome, kContinue);
    HWND status = Opened(run, kStatus, "installation status dialog");
    Say("  its status box says \"%s\"", WindowText(GetDlgItem(status, kProgressBox)).c_str());
    Shoot("install-status", status);
    Press(status, kInstallOk);
    Answered(run, "Program Installation Successful!", "install-success", status);
    Exits(run);

    Say("  %s\\ now holds:", kInstallFolder);
    std::vector<std::string> installed = Files(kInstallFolder);
    for (const std::string& name : installed) {
        std::string bytes = FileBytes(std::string(kInstallFolder) + "\\" + name);
        Say("    %-20s %7u bytes", name.c_str(), static_cast<unsigned>(bytes.size()));
    }
    Expect(installed.size() == staged.size(), "the install folder should hold the five product files");
    for (const StagedFile& f : staged)
        Expect(FileBytes(std::string(kInstallFolder) + "\\" + f.name) == f.bytes,
               (f.name + " should be the staged file, byte for byte").c_str());
    Say("    each the staged file, byte for byte");
    std::string record = FileBytes(kRecord);
    Say("  the record %s holds \"%s\" (%u bytes)", kRecord, Visible(record).c_str(),
        static_cast<unsigned>(record.size()));
    Expect(record == std::string(kInstallFolder) + "\r", "the record should name the install folder");
    Say("  %s\\ keeps %s", kStaging, Listed(Files(kStaging)).c_str());
    Expect(Files(kStaging) == std::vector<std::string>{"QBinstaller100.exe"},
           "the staging folder should keep only the installer");
}

void Uninstall() {
    Installer run;
    Start(run, 2);
    HWND welcome = Opened(run, kWelcome, "welcome dialog");
    Press(welcome, kRemove);
    HWND dialog = Opened(run, kUninstaller, "uninstaller dialog");
    HWND statusBox = GetDlgItem(dialog, kRemovalStatus);
    Say("  its status box says \"%s\"", WindowText(statusBox).c_str());
    // Once the removal runs, the dialog handles one message per pass: it is painted whole
    // (and its picture taken) before "OK, Destroy Now" is pressed.
    Shoot("uninstaller", dialog);
    Press(dialog, kDestroyNow);

    // Each status text as the removal shows it, until its outcome box appears. The text is
    // asked for with a message, which the dialog answers once per pass.
    std::string shown = WindowText(statusBox);
    int changes = 0;
    const double deadline = NowMs() + 60000;
    HWND box = 0;
    while (!box && NowMs() < deadline) {
        std::string text = WindowText(statusBox);
        if (text != shown && !text.empty()) {
            shown = text;
            Say("  the status box says \"%s\"", text.c_str());
            char name[32];
            wsprintfA(name, "uninstall-status-%d", ++changes);
            Snap(name, dialog);
        }
        box = WaitForWindowPrecisely(run, nullptr, 0, 0);  // one look
        if (!box) Sleep(50);
    }
    Expect(changes > 0, "the status box should have shown the removal");
    Answered(run, "Uninstallation Successful!", "uninstall-success", dialog);
    Exits(run);

    Expect(!Exists(kInstallFolder), "the install folder should be gone");
    Say("  %s\\ is gone", kInstallFolder);
    Expect(!Exists(kRecord), "the record should be gone");
    Say("  the record %s is gone", kRecord);
    Say("  %s\\ still holds %s", kStaging, Listed(Files(kStaging)).c_str());
    Expect(Files(kStaging) == std::vector<std::string>{"QBinstaller100.exe"},
           "the removal should leave the staging folder alone");
}

void Decline() {
    Installer run;
    Start(run, 3);
    HWND welcome = Opened(run, kWelcome, "welcome dialog");
    Press(welcome, kMaybeLater);
    HWND farewell = Opened(run, kFarewell, "farewell dialog");
    Shoot("farewell", farewell);
    Press(farewell, kExitToWindows);
    Exits(run);
    Expect(!Exists(kInstallFolder) && !Exists(kRecord), "declining should install nothing");
    Say("  nothing was installed");
}

}  // namespace

int main() {
    std::vector<StagedFile> staged = StagedFiles();
    Say("staged in %s\\:", kStaging);
    for (const StagedFile& f : staged)
        Say("    %-20s %7u bytes", f.name.c_str(), static_cast<unsigned>(f.bytes.size()));
    Expect(staged.size() == 5, "five files should be staged");
    Expect(!Exists(kInstallFolder) && !Exists(kRecord), "nothing should be installed yet");
    Install(staged);
    Uninstall();
    Decline();
    Say("");
    Say("DONE");
    return 0;
}
