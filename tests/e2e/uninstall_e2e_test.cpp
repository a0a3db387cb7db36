// Removing through the real executable, started as a separate process and driven as a
// person would: welcome, "Remove/Uninstall...", then "OK, Destroy Now" or a way out.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/welcome_dialog.h"
#include "fs/protection.h"
#include "install/install_status_dialog.h"
#include "support/dialog_checks.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kRecord[] = "c:\\quorbelregistry.dat";
const char kFolder[] = "c:\\zarvo\\quorbel";
const char kWelcome[] = "ZARVO Systems Installer v1.00";
const char kUninstaller[] = "Quorbel v1.00 Program Uninstaller";

// The folder and the record carry the protection an elevated install gives them, as this
// Wine reports it for a folder and a file made here with the same descriptors.
void ExpectMadeProtected() {
    PSECURITY_DESCRIPTOR folder = NewProtection(kProtectedFolder), record = NewProtection(kProtectedRecord);
    SECURITY_ATTRIBUTES folderAttributes = {sizeof(SECURITY_ATTRIBUTES), folder, FALSE};
    SECURITY_ATTRIBUTES recordAttributes = {sizeof(SECURITY_ATTRIBUTES), record, FALSE};
    ASSERT_TRUE(CreateDirectoryA("c:\\zarvo\\alike", &folderAttributes));
    CloseHandle(CreateFileA("c:\\zarvo\\alike.dat", GENERIC_WRITE, 0, &recordAttributes, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(DaclText(kFolder), DaclText("c:\\zarvo\\alike"));
    EXPECT_EQ(DaclText(kRecord), DaclText("c:\\zarvo\\alike.dat"));
    RemoveTree("c:\\zarvo\\alike");
    RemoveTree("c:\\zarvo\\alike.dat");
    LocalFree(folder);
    LocalFree(record);
}

class RemoveRun : public StagedProductRun {
protected:
    // The installed state as an installation leaves it, made by hand.
    void InstalledByHand() {
        MakeFolders(kFolder);
        for (int i = 0; i < 4; ++i)
            WriteFileBytes(std::string(kFolder) + "\\" + kProductFiles[i], SampleBytes(kProductFiles[i]));
        ASSERT_TRUE(CopyFileA(QB_PRODUCT_EXE, "c:\\zarvo\\quorbel\\QBinstaller100.exe", FALSE));
        WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    }

    // Starts the staged installer and opens its uninstaller dialog.
    HWND OpenUninstaller(Installer& run) {
        if (!StartInstaller(run)) return 0;
        HWND welcome = WaitForWindow(run, kWelcome);
        if (!welcome) return 0;
        PostClick(welcome, kRemoveButton);
        return WaitForWindow(run, kUninstaller);
    }

    // Removes as a person would with the staged installer: "OK, Destroy Now", the success
    // box answered, the run ended with code 0.
    void RemoveThroughTheDialogs() {
        Installer run;
        HWND uninstaller = OpenUninstaller(run);
        ASSERT_TRUE(uninstaller);
        PostClick(uninstaller, kDestroyButton);
        MessageBoxSeen box = WaitForMessageBox(run, 30000);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.text, "Uninstallation Successful!");
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
    }
};

}  // namespace

TEST_F(RemoveRun, InstallThenRemoveInTwoRuns) {
    InstallThroughTheDialogs();
    if (HasFatalFailure()) return;
    ASSERT_EQ(FolderEntries(kFolder).size(), 5u);
    ASSERT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    ExpectMadeProtected();  // this Wine runs every program elevated

    Installer run;
    HWND uninstaller = OpenUninstaller(run);
    ASSERT_TRUE(uninstaller);
    ExpectLaidOutAsBuiltHere(uninstaller, UninstallerDialog);
    EXPECT_EQ(WindowText(GetDlgItem(uninstaller, kRemovalStatusBox)), "Perfng Reqd Oper");
    EXPECT_EQ(FolderEntries(kFolder).size(), 5u) << "nothing happens before OK";
    PostClick(uninstaller, kDestroyButton);
    MessageBoxSeen box = WaitForMessageBox(run, 30000);
    ASSERT_TRUE(box.box);
    EXPECT_EQ(box.caption, "Quorbel");
    EXPECT_EQ(box.text, "Uninstallation Successful!");
    EXPECT_EQ(WindowText(GetDlgItem(uninstaller, kRemovalStatusBox)), "c:\\quorbelregistry.dat");
    AnswerMessageBox(box.box);
    // The uninstaller dialog ends itself, and the welcome dialog with it.
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_TRUE(FolderExists("c:\\zarvo"));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(FolderEntries(kStaging), std::vector<std::string>{"QBinstaller100.exe"});
}

TEST_F(RemoveRun, CancelOrTheCloseCommandBeforeOkTouchesNothing) {
    InstalledByHand();
    const std::vector<std::string> installed = FolderEntries(kFolder);
    for (bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "Cancel Immediately");
        Installer run;
        HWND uninstaller = OpenUninstaller(run);
        ASSERT_TRUE(uninstaller);
        PressKey(uninstaller, VK_ESCAPE);
        Sleep(200);
        EXPECT_TRUE(IsWindow(uninstaller)) << "Escape does nothing";
        if (altF4)
            PressKey(uninstaller, VK_F4, true);
        else
            PostClick(uninstaller, kCancelButton);
        EXPECT_EQ(WaitForExit(run), 0u);
        EXPECT_EQ(FolderEntries(kFolder), installed);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFileBytes(std::string(kFolder) + "\\" + kProductFiles[i]), SampleBytes(kProductFiles[i]));
        EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    }
}

// A carriage return in the install folder (from a script, say) would read back from the
// record as the folder before it. The install refuses the folder and creates nothing; a
// removal afterwards finds no record and leaves the folder the text would have named alone.
TEST_F(RemoveRun, AFolderWithACarriageReturnIsNeitherInstalledNorRemoved) {
    const std::string named = "c:\\zarvo\\q";
    std::vector<std::pair<std::string, std::string>> canaries;
    for (const char* name : {"keep.txt", "qb.exe", "QBinstaller100.exe", "rx"}) {
        std::string path = named + "\\" + name;
        canaries.emplace_back(path, "canary " + path);
    }
    MakeFolders(named);
    for (const auto& c : canaries) WriteFileBytes(c.first, c.second);
    auto expectCanaries = [&] {
        EXPECT_EQ(FolderEntries(named).size(), canaries.size());
        for (const auto& c : canaries) EXPECT_EQ(ReadFileBytes(c.first), c.second) << c.first;
    };
    InstallThroughTheDialogs("c:\\zarvo\\q\rx", "Error: Folder Depth Request too Great.  Ending.");
    if (HasFatalFailure()) return;
    EXPECT_FALSE(FileExists(kRecord)) << "no record written";
    EXPECT_EQ(FolderEntries("c:\\zarvo"), (std::vector<std::string>{"q", "temp"}));
    EXPECT_EQ(FolderEntries(kStaging).size(), 5u) << "nothing copied or deleted";
    expectCanaries();

    RemoveThroughTheDialogs();
    expectCanaries();
    EXPECT_FALSE(FileExists(kRecord));
}

TEST_F(RemoveRun, AHiddenStagedFileInstallsAndIsRemovedCompletely) {
    // The copy keeps the staged file's attributes: the installed qb.exe is hidden and system.
    ASSERT_TRUE(SetFileAttributesA("c:\\zarvo\\temp\\qb.exe", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    InstallThroughTheDialogs();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(GetFileAttributesA("c:\\zarvo\\quorbel\\qb.exe") & FILE_ATTRIBUTE_HIDDEN) << "the precondition";

    RemoveThroughTheDialogs();
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}
