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
