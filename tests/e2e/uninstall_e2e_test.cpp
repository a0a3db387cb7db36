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
const char kSuccess[] = "Uninstallation Successful!";
const char kIncomplete[] = "Uninstallation incomplete: some files could not be removed.";
const char kStagedInstaller[] = "c:\\zarvo\\temp\\QBinstaller100.exe";

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

    // Starts the staged installer (or `exe`, from the staging folder) and opens its uninstaller
    // dialog.
    HWND OpenUninstaller(Installer& run, const std::string& exe = kStagedInstaller) {
        if (!StartInstaller(run, "", kStaging, exe)) return 0;
        HWND welcome = WaitForWindow(run, kWelcome);
        if (!welcome) return 0;
        PostClick(welcome, kRemoveButton);
        return WaitForWindow(run, kUninstaller);
    }

    // Removes as a person would with the staged installer (or `exe`: the test build, whose
    // pacing takes no time, where the rule at stake is not the pacing): "OK, Destroy Now", the
    // box (the success box unless another is expected) answered, the run ended with code 0.
    void RemoveThroughTheDialogs(const std::string& expected = kSuccess, const std::string& exe = kStagedInstaller) {
        Installer run;
        HWND uninstaller = OpenUninstaller(run, exe);
        ASSERT_TRUE(uninstaller);
        PostClick(uninstaller, kDestroyButton);
        MessageBoxSeen box = WaitForMessageBox(run);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.text, expected);
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
    MessageBoxSeen box = WaitForMessageBox(run);
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

namespace {

// Files that must come through a removal byte for byte.
struct Canaries {
    std::vector<std::pair<std::string, std::string>> files;
    void Plant(const std::string& path) {
        std::string bytes = "canary " + path + "\r\n";
        MakeFolders(path.substr(0, path.rfind('\\')));
        WriteFileBytes(path, bytes);
        files.emplace_back(path, bytes);
    }
    void ExpectIntact() const {
        for (const auto& f : files) EXPECT_EQ(ReadFileBytes(f.first), f.second) << f.first;
    }
};

std::string ProfileFolder() {
    char profile[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    return profile;
}

void PutProductFiles(const std::string& folder) {
    MakeFolders(folder);
    for (const char* name : kProductFiles) WriteFileBytes(folder + "\\" + name, SampleBytes(name));
}

bool AnyProductFileIn(const std::string& folder) {
    for (const char* name : kProductFiles)
        if (FileExists(folder + "\\" + name)) return true;
    return false;
}

}  // namespace

// A drive letter mapped onto a folder (as a substituted or mapped network drive is) reaches
// a profile, or the folders close below one, by another name: they are still the known
// folders they are, and lose only the product's files. Deeper, a folder of its own goes whole.
TEST_F(RemoveRun, AKnownFolderReachedThroughAMappedDriveLosesOnlyTheProductFiles) {
    const std::string profile = ProfileFolder();
    ASSERT_FALSE(profile.empty());
    const struct {
        const char* what;
        std::string mappedOnto;
        std::string folder;  // as the record names it
        bool known;
    } cases[] = {
        {"a folder directly below the profile", profile, "x:\\qbdirect", true},
        {"two levels below the profile", profile + "\\qbone", "x:\\qbtwo", true},
        {"three levels below the profile: a folder of its own", profile + "\\qbone\\qbtwo", "x:\\own", false},
    };
    // The drive goes however a case ends: the prefix keeps its drives from run to run.
    struct Unmap {
        ~Unmap() { UnmapDrive("x:"); }
    } unmap;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeFolders(c.mappedOnto);
        MapDrive("x:", c.mappedOnto);
        PutProductFiles(c.folder);
        Canaries canaries;
        canaries.Plant(c.folder + "\\qbcanary.txt");
        WriteFileBytes(kRecord, c.folder + "\r");

        RemoveThroughTheDialogs(kSuccess, QB_TEST_BUILD_EXE);

        EXPECT_FALSE(AnyProductFileIn(c.folder));
        if (c.known) {
            canaries.ExpectIntact();
            EXPECT_TRUE(FolderExists(c.folder));
        } else {
            EXPECT_FALSE(FolderExists(c.folder)) << "a folder of its own goes as a whole";
        }
        EXPECT_FALSE(FileExists(kRecord));
        UnmapDrive("x:");
        RemoveTree(profile + "\\qbdirect");
        RemoveTree(profile + "\\qbone");
    }
}

// A record that is there but can't be read names a folder nobody can know: nothing is
// deleted, the record stays as it is, and the removal says it is not done.
TEST_F(RemoveRun, ARecordThatCantBeReadDeletesNothingAndIsKept) {
    const struct {
        const char* what;
        bool held;
        DWORD share;  // of the other program's handle
    } cases[] = {
        {"held open by another program", true, 0},
        {"held by another program that lets others delete it", true, FILE_SHARE_DELETE},
        {"its user may not read it", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        InstalledByHand();
        Canaries canaries;
        canaries.Plant(std::string(kFolder) + "\\notes.txt");
        for (const char* name : kProductFiles) {
            std::string path = std::string(kFolder) + "\\" + name;
            canaries.files.emplace_back(path, ReadFileBytes(path));
        }
        HANDLE other = INVALID_HANDLE_VALUE;
        if (c.held) {
            other = CreateFileA(kRecord, GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(other, INVALID_HANDLE_VALUE);
        } else {
            LockFile("c:\\", "quorbelregistry.dat", true);
        }

        RemoveThroughTheDialogs(kIncomplete, QB_TEST_BUILD_EXE);

        if (c.held)
            CloseHandle(other);
        else
            LockFile("c:\\", "quorbelregistry.dat", false);
        EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
        canaries.ExpectIntact();
    }
}

// Names outside the ANSI code page are listed in a best-fit form ("ａ.txt" as "a.txt"): the
// sweep deletes each plain file by its own name, and never the hidden file that the best-fit
// form names.
TEST_F(RemoveRun, TheSweepDeletesPlainFilesByTheirOwnNamesAndNoOtherFile) {
    InstalledByHand();
    const wchar_t* const plain[] = {L"c:\\zarvo\\quorbel\\\uFF41.txt", L"c:\\zarvo\\quorbel\\\u0142x.txt"};
    for (const wchar_t* name : plain) {
        HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    Canaries hidden;
    for (const char* name : {"a.txt", "lx.txt"}) {
        hidden.Plant(std::string(kFolder) + "\\" + name);
        SetFileAttributesA((std::string(kFolder) + "\\" + name).c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    ASSERT_EQ(FolderEntries(kFolder).size(), 9u) << "the names are not kept apart here; the case cannot show";

    RemoveThroughTheDialogs(kSuccess, QB_TEST_BUILD_EXE);

    for (const wchar_t* name : plain) EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES) << "a file stayed";
    EXPECT_EQ(FolderEntries(kFolder), (std::vector<std::string>{"a.txt", "lx.txt"}));
    hidden.ExpectIntact();
    EXPECT_FALSE(FileExists(kRecord));
}
