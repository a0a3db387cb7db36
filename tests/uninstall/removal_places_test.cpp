// Where the removal takes only the product's files, where it takes nothing and says so, and
// that the product's own files go whatever attributes they carry.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "fs/file_identity.h"
#include "install/run_install.h"
#include "removal_fixture.h"

using namespace removal;

namespace {

class RemovalPlaces : public RemovalTest {};

std::string Special(int csidl) {
    char path[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path), S_OK) << csidl;
    return path;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

// Wine makes some of a profile's folders links to the host's; on Windows they are real
// folders, and a link would be judged as a link (nothing deleted) and prove nothing here.
void MakeRealFolder(const std::string& folder) {
    if (IsReparsePoint(folder)) {
        size_t slash = folder.rfind('\\');
        RemoveFolderLink(folder.substr(0, slash + 1), folder.substr(slash + 1));
    }
    MakeFolders(folder);
    ASSERT_TRUE(FolderExists(folder) && !IsReparsePoint(folder)) << folder;
}

// A removal of a record naming folder takes the product files there and nothing else.
void ExpectOnlyTheProductFilesGo(const std::string& folder) {
    SCOPED_TRACE(folder);
    MakeRealFolder(folder);
    PutProductFiles(folder);
    Canaries canaries;
    canaries.Plant(Join(folder, "qbcanary.txt"));
    WriteFileBytes(kRecord, folder + "\r");

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(AnyProductFileIn(folder));
    canaries.ExpectIntact();
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    RemoveTree(Join(folder, "qbcanary.txt"));
}

bool UnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

TEST_F(RemovalPlaces, UnderWow64TheNativeFoldersAreKnownWhateverTheSpelling) {
    if (!UnderWow64()) GTEST_SKIP() << "only a 32-bit program on 64-bit Windows sees these spellings";
    char windows[MAX_PATH] = {}, native[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_GT(GetEnvironmentVariableA("ProgramW6432", native, MAX_PATH), 0u);
    const std::string folders[] = {
        native,                                          // the native Program Files
        std::string(windows) + "\\Sysnative\\qbprobe",    // the native system folder
        std::string(windows) + "\\SysWOW64\\qbprobe",
        std::string(windows) + "\\System32\\qbprobe",     // what this process opens there
    };
    for (const std::string& folder : folders) ExpectOnlyTheProductFilesGo(folder);
    for (const char* system : {"\\Sysnative\\qbprobe", "\\SysWOW64\\qbprobe"})
        RemoveTree(std::string(windows) + system);
}

// A 32-bit program reaches SysWOW64 through "System32". The removal turns redirection off
// for a moment to look at where the system says a file is; it must come back on for this
// thread, or every later "System32" path would reach the native folder.
TEST_F(RemovalPlaces, UnderWow64ARecordNamingSystem32TakesTheProductFilesFromSysWOW64) {
    if (!UnderWow64()) GTEST_SKIP() << "only a 32-bit program on 64-bit Windows has its System32 redirected";
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string wow64 = std::string(windows) + "\\SysWOW64";
    const std::string native = std::string(windows) + "\\Sysnative";
    for (const char* name : kProductFiles) WriteFileBytes(Join(wow64, name), SampleBytes(name));
    Canaries canaries;
    for (const char* name : kProductFiles) canaries.Plant(Join(native, name));
    WriteFileBytes(kRecord, std::string(system) + "\r");

    RemovalRun run = RunRemoval();

    FileIdentity seen, redirected;
    ASSERT_TRUE(IdentityOfPath(system, &seen) && IdentityOfPath(wow64.c_str(), &redirected));
    EXPECT_TRUE(SameIdentity(seen, redirected)) << "this thread no longer sees SysWOW64 through " << system;
    EXPECT_FALSE(AnyProductFileIn(wow64));
    canaries.ExpectIntact();
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    for (const char* name : kProductFiles) {
        RemoveTree(Join(native, name));
        RemoveTree(Join(wow64, name));
    }
}

TEST_F(RemovalPlaces, KnownFoldersLoseTheProductFilesAndNothingElse) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string profile = Special(CSIDL_PROFILE);
    std::string profiles = profile.substr(0, profile.rfind('\\'));
    const std::string folders[] = {
        Special(CSIDL_DESKTOPDIRECTORY),
        profile,
        profiles + "\\qbother\\Documents",  // another user's
        Special(CSIDL_PROGRAM_FILES),
        std::string(windows) + "\\qbprobe",  // anything inside the Windows folder
        WithoutTrailingSeparator(temp),
    };
    for (const std::string& folder : folders) ExpectOnlyTheProductFilesGo(folder);
    RemoveTree(std::string(windows) + "\\qbprobe");
    RemoveTree(profiles + "\\qbother");

    // A folder of its own below a known one goes as a whole.
    std::string own = Special(CSIDL_PROGRAM_FILES) + "\\Quorbel";
    PutProductFiles(own);
    WriteFileBytes(Join(own, "notes.txt"), "the user's own notes");
    WriteFileBytes(kRecord, own + "\r");
    RemovalRun run = RunRemoval();
    EXPECT_FALSE(FolderExists(own));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
}

TEST_F(RemovalPlaces, AFolderThatCantBeJudgedLosesNothingAndTheRecordStays) {
    PutProductFiles("t:\\behind");
    PutProductFiles("t:\\behindparent\\quorbel");
    PutProductFiles("t:\\locked\\quorbel");
    Canaries canaries;
    for (const char* folder : {"t:\\behind", "t:\\behindparent\\quorbel", "t:\\locked\\quorbel"}) {
        canaries.Plant(Join(folder, "notes.txt"));
        for (const char* name : kProductFiles) canaries.files.emplace_back(Join(folder, name), SampleBytes(name));
    }
    MakeFolderLink("t:\\", "linked", "behind");
    MakeFolderLink("t:\\", "linkedparent", "behindparent");
    LockFolder("t:\\", "locked", true);
    ASSERT_EQ(GetFileAttributesA("q:\\"), INVALID_FILE_ATTRIBUTES) << "the drive q: must not be there";

    const char* const records[] = {
        "t:\\linked\r",                // the folder is a link
        "t:\\linkedparent\\quorbel\r",  // a folder above it is one
        "t:\\locked\\quorbel\r",        // a level that can't be entered
        "q:\\zarvo\\quorbel\r",         // a drive that is not there
    };
    for (const char* record : records) {
        SCOPED_TRACE(record);
        WriteFileBytes(kRecord, record);

        RemovalRun run = RunRemoval();

        EXPECT_EQ(ReadFileBytes(kRecord), record) << "the record is the only pointer to the files";
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kIncomplete});
        EXPECT_EQ(run.statuses, ExpectedStatuses());
        EXPECT_TRUE(run.dialogGone);
    }
    LockFolder("t:\\", "locked", false);
    canaries.ExpectIntact();
}

TEST_F(RemovalPlaces, HiddenSystemAndReadOnlyProductFilesGoAndOtherHiddenFilesStay) {
    PutProductFiles(kFolder);
    const struct {
        const char* name;
        DWORD attributes;
    } marked[] = {
        {"qb.exe", FILE_ATTRIBUTE_HIDDEN},
        {"QBmanual100.PDF", FILE_ATTRIBUTE_SYSTEM},
        {"QBmanual100.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& m : marked) SetFileAttributesA(Join(kFolder, m.name).c_str(), m.attributes);
    std::string hidden = Join(kFolder, "desktop.ini");
    WriteFileBytes(hidden, "the folder's own settings");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(AnyProductFileIn(kFolder));
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"desktop.ini"});
    EXPECT_EQ(ReadFileBytes(hidden), "the folder's own settings");
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    // Each pass asks to wait 1000 ms when no message is waiting, then 500 ms.
    int halfSeconds = 0;
    for (DWORD pause : Pauses()) {
        EXPECT_TRUE(pause == 1000 || pause == 500) << pause;
        halfSeconds += pause == 500;
    }
    EXPECT_EQ(halfSeconds, 6);
}

namespace {

// Renames a folder from a second Wine process, as another user's program would; the share
// modes the removal holds are the ones that process meets. True when the rename was done.
bool RenameFromAnotherProcess(const std::string& from, const std::string& to) {
    std::string commandLine = "cmd.exe /c move " + from + " " + to;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, "c:\\",
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, kPatienceMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return FolderExists(to) && !FolderExists(from);
}

int gPausesSeen = 0;
bool gRenamedDuringRemoval = false;

// The third pass's pause: the moment at which the folder has been judged and files deleted.
void RenameMidway(DWORD milliseconds) {
    RecordPause(milliseconds);
    if (milliseconds == 500 && ++gPausesSeen == 3) {
        gRenamedDuringRemoval = RenameFromAnotherProcess("c:\\zarvo\\quorbel", "c:\\zarvo\\moved");
        if (gRenamedDuringRemoval) MakeFolderLink("c:\\zarvo\\", "quorbel", "target");
    }
}

}  // namespace

TEST_F(RemovalPlaces, AFolderRenamedDuringTheRemovalSendsNoDeleteElsewhere) {
    PutProductFiles(kFolder);
    Canaries canaries;
    for (const char* name : kProductFiles) canaries.Plant(Join("c:\\zarvo\\target", name));
    canaries.Plant("c:\\zarvo\\target\\notes.txt");
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    // The precondition: without a removal running, the other process can rename the folder.
    ASSERT_TRUE(RenameFromAnotherProcess(kFolder, "c:\\zarvo\\moved"));
    ASSERT_TRUE(RenameFromAnotherProcess("c:\\zarvo\\moved", kFolder));

    gPausesSeen = 0;
    gRenamedDuringRemoval = false;
    Pause = RenameMidway;
    RemovalRun run = RunRemoval();

    EXPECT_FALSE(gRenamedDuringRemoval) << "the held folder could be renamed";
    canaries.ExpectIntact();
    EXPECT_FALSE(FolderExists("c:\\zarvo\\moved"));
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    RemoveFolderLink("c:\\zarvo\\", "quorbel");
}

namespace {

HWND gRemovalDialog = nullptr;

// A press of "OK" in an installation status dialog, delivered by the removal's own pump.
void InstallMidway(DWORD milliseconds) {
    RecordPause(milliseconds);
    if (milliseconds == 500 && ++gPausesSeen == 2) RunInstall(gRemovalDialog);
}

}  // namespace

TEST_F(RemovalPlaces, NoInstallRunsInsideARemoval) {
    StageProduct();
    PutProductFiles("t:\\app");
    WriteFileBytes(kRecord, "t:\\app\r");
    gPausesSeen = 0;
    Pause = InstallMidway;

    RemovalRun run = RunRemoval([](HWND dialog) { gRemovalDialog = dialog; });

    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess}) << "no install box";
    EXPECT_FALSE(FolderExists(kFolder)) << "nothing installed";
    EXPECT_EQ(FolderEntries(kStaging).size(), 5u) << "no staged copy deleted";
    EXPECT_FALSE(FolderExists("t:\\app"));
    EXPECT_EQ(FinishFlag, 0);
}
