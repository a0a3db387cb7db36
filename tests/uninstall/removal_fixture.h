// What the removal tests share: a clean sandbox, one removal run on a real uninstaller
// dialog with its status texts and message boxes recorded, canary files, folder links.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "run/globals.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "ui/dialog_table.h"
#include "ui/message.h"
#include "uninstall/run_uninstall.h"
#include "uninstall/uninstaller_dialog.h"

namespace removal {

const char kRecord[] = "c:\\quorbelregistry.dat";
const char kFolder[] = "c:\\zarvo\\quorbel";
const char kSuccess[] = "Uninstallation Successful!";
const char kIncomplete[] = "Uninstallation incomplete: some files could not be removed.";

inline std::vector<std::string> ExpectedStatuses() {
    std::vector<std::string> texts;
    for (const char* name : kProductFiles) texts.push_back(std::string("del ") + name);
    texts.push_back("c:\\quorbelregistry.dat");
    return texts;
}

inline std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

inline void PutProductFiles(const std::string& folder) {
    MakeFolders(folder);
    for (const char* name : kProductFiles) WriteFileBytes(Join(folder, name), SampleBytes(name));
}

inline bool AnyProductFileIn(const std::string& folder) {
    for (const char* name : kProductFiles)
        if (FileExists(Join(folder, name))) return true;
    return false;
}

// Files that must come through a removal byte for byte.
struct Canaries {
    std::vector<std::pair<std::string, std::string>> files;
    void Plant(const std::string& path) {
        std::string bytes = "canary " + path + "\r\n" + std::string(40, static_cast<char>(path.size()));
        size_t slash = path.rfind('\\');
        if (slash > 2) MakeFolders(path.substr(0, slash));
        WriteFileBytes(path, bytes);
        files.emplace_back(path, bytes);
    }
    void ExpectIntact() const {
        for (const auto& f : files) {
            bool exists = false;
            EXPECT_EQ(ReadFileBytes(f.first, &exists), f.second) << f.first;
            EXPECT_TRUE(exists) << f.first;
        }
    }
};

struct RemovalRun {
    std::vector<std::string> statuses;  // every text the status box was given, in order
    std::vector<SeenBox> boxes;
    int32_t result = 7;
    bool dialogGone = false;
};

// Builds the uninstaller dialog, runs it modally, and presses "OK, Destroy Now" once its
// loop runs (after beforePress, if given); every message box is answered with OK, after
// onBox, if given, has seen it.
inline RemovalRun RunRemoval(std::function<void(HWND)> beforePress = {},
                             std::function<void(HWND, const SeenBox&)> onBox = {}) {
    RemovalRun run;
    MessageBoxAnswerer answerer;
    HFONT fonts[kMaxDialogFonts] = {};
    HWND dialog = BuildDialog(UninstallerDialog, nullptr, fonts);
    EXPECT_TRUE(dialog);
    if (!dialog) return run;
    if (onBox) answerer.onBox = [&](const SeenBox& box) { onBox(dialog, box); };
    {
        TextRecorder recorder(ControlHandle(dialog, kRemovalStatusBox));
        WhenRunning([&] {
            if (beforePress) beforePress(dialog);
            Click(dialog, kDestroyButton);
        });
        ShowDialogModal(dialog, UninstallerDialogProc, run.result);
        run.statuses = recorder.texts;
    }
    for (HFONT f : fonts) DeleteObject(f);
    run.boxes = answerer.boxes;
    run.dialogGone = !IsWindow(dialog);
    return run;
}

// Folder links. Wine shows a host directory symlink inside the sandbox as a reparse point
// (attributes 0x410), the stand-in for a junction; its own CreateSymbolicLinkA creates
// nothing. Wine also runs a file that is no Windows program as a host program, so a small
// shell script, written to the sandbox's temporary folder with an ".exe" name (which Wine
// marks executable), makes and removes such links. It is started with the link's parent
// as its current folder and touches only names relative to it.
inline bool HostLink(const std::string& parent, const std::string& command) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string tool = std::string(temp) + "qb-folder-link.exe";
    const std::string script =
        "#!/bin/sh\n"
        "case \"$1\" in\n"
        "  make) exec ln -s -- \"$2\" \"$3\" ;;\n"
        "  remove) [ -L \"$2\" ] && exec rm -f -- \"$2\" ;;\n"
        "  lock) exec chmod 000 -- \"$2\" ;;\n"
        "  unlock) exec chmod 755 -- \"$2\" ;;\n"
        "esac\n";
    // Written once: Wine keeps a started file open for a while.
    if (ReadFileBytes(tool) != script) WriteFileBytes(tool, script);
    std::string commandLine = "qb-folder-link " + command;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(tool.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  Join(parent, "").c_str(), &startup, &process);
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    return started != 0;
}

inline bool IsReparsePoint(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes parent\name a link to parent\target (a folder); waits until Wine shows it.
inline void MakeFolderLink(const std::string& parent, const std::string& name, const std::string& target) {
    ASSERT_TRUE(HostLink(parent, "make " + target + " " + name));
    std::string link = Join(parent, name);
    for (int waited = 0; waited < 5000 && !IsReparsePoint(link); waited += 20) Sleep(20);
    ASSERT_TRUE(IsReparsePoint(link)) << link << " is no reparse point";
}

inline void RemoveFolderLink(const std::string& parent, const std::string& name) {
    std::string link = Join(parent, name);
    if (!IsReparsePoint(link)) return;
    HostLink(parent, "remove " + name);
    for (int waited = 0; waited < 5000 && IsReparsePoint(link); waited += 20) Sleep(20);
}

// Makes parent\name a folder that can't be entered (no permissions at all), or undoes it;
// waits until Wine sees the change.
inline void LockFolder(const std::string& parent, const std::string& name, bool locked) {
    std::string folder = Join(parent, name);
    ASSERT_TRUE(HostLink(parent, std::string(locked ? "lock " : "unlock ") + name));
    std::string inside = Join(folder, "probe");
    for (int waited = 0; waited < 5000; waited += 20) {
        bool enterable = GetFileAttributesA(inside.c_str()) != INVALID_FILE_ATTRIBUTES ||
                         GetLastError() != ERROR_ACCESS_DENIED;
        if (enterable != locked) return;
        Sleep(20);
    }
    FAIL() << folder << (locked ? " can still be entered" : " still can't be entered");
}

// Removes everything on t:, links first (a link goes without what it points to).
inline void ClearSecondDrive() {
    for (const std::string& name : FolderEntries("t:")) RemoveFolderLink("t:\\", name);
    if (FolderExists("t:\\locked")) LockFolder("t:\\", "locked", false);
    for (const std::string& name : FolderEntries("t:")) RemoveTree("t:\\" + name);
}

// The pauses the removal asks for, recorded instead of waited.
inline std::vector<DWORD>& Pauses() {
    static std::vector<DWORD> pauses;
    return pauses;
}
inline void RecordPause(DWORD milliseconds) { Pauses().push_back(milliseconds); }

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pauses().clear();
        Pause = RecordPause;
        EnterSandboxDrive();
        ResetSandbox();
        ClearSecondDrive();
        CreateStringTables();
        FinishFlag = 0;
    }
    void TearDown() override {
        Pause = realPause;
        SetCurrentDirectoryA("c:\\");
        ResetSandbox();
        ClearSecondDrive();
    }
    PauseFunction realPause = Pause;
};

}  // namespace removal
