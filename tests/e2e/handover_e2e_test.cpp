// A removal run from the installed copy, through the real executable: the program can't
// delete its own file while it runs, so a copy of it in the temp folder (the hand-over)
// finishes the removal once the removal's process has ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/farewell_dialog.h"
#include "app/welcome_dialog.h"
#include "install/install_status_dialog.h"
#include "support/driver.h"
#include "support/sandbox.h"
#include "support/staged_run.h"
#include "uninstall/handover.h"
#include "uninstall/uninstaller_dialog.h"

namespace {

const char kRecord[] = "c:\\quorbelregistry.dat";
const char kFolder[] = "c:\\zarvo\\quorbel";
const char kInstalledCopy[] = "c:\\zarvo\\quorbel\\QBinstaller100.exe";
const char kStagedCopy[] = "c:\\zarvo\\temp\\QBinstaller100.exe";
const char kWelcome[] = "ZARVO Systems Installer v1.00";
const char kUninstaller[] = "Quorbel v1.00 Program Uninstaller";
const char kSuccess[] = "Uninstallation Successful!";
const char kIncomplete[] = "Uninstallation incomplete: some files could not be removed.";

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

// A file's bytes, or for a long file its length and a hash of them (which a failure prints).
std::string Fingerprint(const std::string& bytes) {
    if (bytes.size() <= 200) return bytes;
    uint32_t hash = 2166136261u;
    for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return std::to_string(bytes.size()) + " bytes, hash " + std::to_string(hash);
}

// Every file under root with its bytes, and every folder (as an empty entry ending in "\").
void Snapshot(const std::string& root, std::map<std::string, std::string>& files) {
    for (const std::string& name : FolderEntries(root)) {
        std::string path = root + "\\" + name;
        if (FolderExists(path)) {
            files[path + "\\"] = "";
            Snapshot(path, files);
        } else {
            files[path] = Fingerprint(ReadFileBytes(path));
        }
    }
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// The paths that Windows deletes when it next starts, lower case.
std::vector<std::string> PendingDeletes() {
    std::vector<std::string> paths;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return paths;
    std::vector<char> list(65536);
    DWORD size = static_cast<DWORD>(list.size()) - 2;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(list.data()), &size) == ERROR_SUCCESS) {
        // Pairs of source and target; an empty target means delete.
        std::vector<std::string> entries;
        for (const char* p = list.data(); p < list.data() + size; p += strlen(p) + 1) entries.push_back(p);
        for (size_t i = 0; i + 1 < entries.size(); i += 2) {
            std::string source = entries[i];
            if (source.compare(0, 4, "\\??\\") == 0) source.erase(0, 4);
            if (!source.empty() && entries[i + 1].empty()) paths.push_back(Lower(source));
        }
    }
    RegCloseKey(key);
    return paths;
}

bool IsHandOverFolder(const std::string& name) {
    return name.compare(0, strlen(kHandOverFolderPrefix), kHandOverFolderPrefix) == 0;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), Lower(item)) != list.end();
}

// A process handle that ends whatever it names when the test ends.
struct Process {
    HANDLE handle = 0;
    ~Process() {
        if (!handle) return;
        if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) TerminateProcess(handle, 99);
        WaitForSingleObject(handle, 5000);
        CloseHandle(handle);
    }
};

class HandOverRun : public StagedProductRun {
protected:
    void TearDown() override {
        // The hand-over's own folders: Windows would delete them when it next starts.
        for (const std::string& name : FolderEntries(TempFolder()))
            if (IsHandOverFolder(name)) RemoveTree(TempFolder() + name);
        StagedProductRun::TearDown();
    }

    void Install() {
        InstallThroughTheDialogs();
        if (HasFatalFailure()) return;
        ASSERT_EQ(FolderEntries(kFolder).size(), 5u);
    }

    // The product as installed, its program the built product or `exe` (the test build).
    void InstalledByHand(const std::string& folder = kFolder, const char* exe = QB_PRODUCT_EXE) {
        MakeFolders(folder);
        for (int i = 0; i < 4; ++i)
            WriteFileBytes(folder + "\\" + kProductFiles[i], SampleBytes(kProductFiles[i]));
        ASSERT_TRUE(CopyFileA(exe, (folder + "\\QBinstaller100.exe").c_str(), FALSE));
        WriteFileBytes(kRecord, folder + "\r");
    }

    // Starts exe, opens its uninstaller dialog and presses "OK, Destroy Now"; returns the
    // outcome's message box.
    MessageBoxSeen Remove(Installer& run, const std::string& exe, const std::string& folder) {
        MessageBoxSeen none;
        if (!StartInstaller(run, "", folder, exe)) return none;
        HWND welcome = WaitForWindow(run, kWelcome);
        if (!welcome) return none;
        PostClick(welcome, kRemoveButton);
        HWND uninstaller = WaitForWindow(run, kUninstaller);
        if (!uninstaller) return none;
        PostClick(uninstaller, kDestroyButton);
        return WaitForMessageBox(run);
    }

    // Removes with the installed copy at `exe` as a person would, and lets the hand-over that
    // it starts finish: the success box, then both processes ended with code 0.
    void RemoveAndHandOver(const std::string& exe = kInstalledCopy, const std::string& folder = kFolder) {
        Installer run;
        MessageBoxSeen box = Remove(run, exe, folder);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.text, kSuccess);
        Process handOver;
        handOver.handle = WaitForChildProcess(run);
        ASSERT_TRUE(handOver.handle) << "no hand-over";
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
        EXPECT_EQ(WaitForExit(handOver.handle), 0u) << "a hand-over that shows its welcome dialog runs on";
    }

    // Removes with the installed copy and answers the box, which it returns; no hand-over may
    // start.
    std::string RemoveStartingNoCopy() {
        Installer run;
        MessageBoxSeen box = Remove(run, kInstalledCopy, kFolder);
        Process copy;
        copy.handle = WaitForChildProcess(run, 0);
        if (box.box) AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
        EXPECT_FALSE(copy.handle) << "a hand-over started";
        return box.box ? box.text : "no box";
    }

    // The process showed no window: a hand-over runs no dialog, whether it takes over or not.
    void ExpectNoWindow(HANDLE process) {
        Installer shown;  // looked at for its windows only
        shown.process.dwProcessId = GetProcessId(process);
        EXPECT_TRUE(TopWindows(shown).empty()) << "the hand-over shows a window";
    }

    // A copy of the program in a folder of the temp folder named as a hand-over's, or another.
    std::string HandOverFolderCopy(const std::string& name = kHandOverFolderPrefix + std::string("1-1")) {
        const std::string folder = TempFolder() + name;
        MakeFolders(folder);
        const std::string copy = folder + "\\QBinstaller100.exe";
        EXPECT_TRUE(CopyFileA(QB_PRODUCT_EXE, copy.c_str(), FALSE));
        return copy;
    }

    // Starts exe as a hand-over by hand of the run's process, as a removal starts its copy.
    bool StartAsHandOverOf(const Installer& run, Installer& child, const std::string& exe) {
        HANDLE parent = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, run.process.dwProcessId);
        bool started = parent && StartByHand(child, exe, std::to_string(reinterpret_cast<uintptr_t>(parent)), parent);
        if (parent) CloseHandle(parent);
        return started;
    }

    // Declines in the welcome dialog of an ordinary run and leaves the farewell dialog: the
    // run ends with code 0.
    void Decline(Installer& run, HWND welcome) {
        PostClick(welcome, kLaterButton);
        HWND farewell = WaitForWindow(run, "Installation Canceled");
        ASSERT_TRUE(farewell);
        PostClick(farewell, kExitButton);
        EXPECT_EQ(WaitForExit(run), 0u);
    }

    // Starts exe as a hand-over by hand: the variable holds `value`, and `inherit` (when
    // not 0) is the one handle it inherits.
    bool StartByHand(Installer& child, const std::string& exe, const std::string& value, HANDLE inherit) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        std::vector<char> list(size);
        auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
        InitializeProcThreadAttributeList(attributes, 1, 0, &size);
        if (inherit) UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &inherit,
                                               sizeof inherit, nullptr, nullptr);
        STARTUPINFOEXA startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        std::string commandLine = "\"" + exe + "\"";
        SetEnvironmentVariableA(kHandOverVariable, value.c_str());
        BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, inherit != 0,
                                      inherit ? EXTENDED_STARTUPINFO_PRESENT : 0, nullptr, kStaging,
                                      &startup.StartupInfo, &child.process);
        SetEnvironmentVariableA(kHandOverVariable, nullptr);
        DeleteProcThreadAttributeList(attributes);
        return started != 0;
    }
};

}  // namespace

TEST_F(HandOverRun, RemovingFromTheInstalledCopyFinishesOnceItsProcessHasEnded) {
    // The success box answered at once, and left open a while: the hand-over waits for the
    // removal's process, however long it runs.
    for (DWORD boxOpenMs : {DWORD(0), DWORD(3000)}) {
        SCOPED_TRACE("box open for " + std::to_string(boxOpenMs) + " ms");
        ResetSandbox();
        StageProduct();
        Install();
        // The user's own files in the folder, on both sides of the program's name.
        for (const char* name : {"a-notes.txt", "zz-notes.txt"})
            WriteFileBytes(std::string(kFolder) + "\\" + name, "the user's own notes");
        WriteFileBytes("c:\\zarvo\\beside.txt", "beside the folder");
        MakeFolders("c:\\zarvo\\quorbelold");
        WriteFileBytes("c:\\zarvo\\quorbelold\\QBinstaller100.exe", "another folder's program");
        WriteFileBytes(TempFolder() + "qb-canary.txt", "the user's temp file");
        std::map<std::string, std::string> before;
        Snapshot("c:\\zarvo", before);
        for (auto it = before.begin(); it != before.end();)
            it = it->first.compare(0, strlen(kFolder) + 1, std::string(kFolder) + "\\") == 0 ? before.erase(it) : ++it;
        const std::vector<std::string> rootBefore = FolderEntries("c:");
        const std::string temp = TempFolder();
        const std::vector<std::string> tempBefore = FolderEntries(temp);

        Installer run;
        // Started as a person would, from its own folder.
        MessageBoxSeen box = Remove(run, kInstalledCopy, kFolder);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.caption, "Quorbel");
        EXPECT_EQ(box.text, kSuccess);
        Process handOver;
        handOver.handle = WaitForChildProcess(run);
        ASSERT_TRUE(handOver.handle);
        const std::string copy = ProcessImage(handOver.handle);
        ASSERT_EQ(Lower(copy.substr(0, temp.size() + strlen(kHandOverFolderPrefix))),
                  Lower(temp + kHandOverFolderPrefix)) << copy;
        EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(QB_PRODUCT_EXE));

        Sleep(boxOpenMs);
        EXPECT_EQ(WaitForExit(handOver.handle, 0), STILL_ACTIVE) << "it waits for the removal's process";
        ExpectNoWindow(handOver.handle);
        EXPECT_TRUE(FileExists(kInstalledCopy));
        EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);

        EXPECT_EQ(WaitForExit(handOver.handle), 0u);
        EXPECT_FALSE(FolderExists(kFolder));
        EXPECT_FALSE(FileExists(kRecord));
        // Everything else is as the install left it.
        std::map<std::string, std::string> after;
        Snapshot("c:\\zarvo", after);
        EXPECT_EQ(after, before);
        EXPECT_EQ(ReadFileBytes(kStagedCopy), ReadFileBytes(QB_PRODUCT_EXE));
        std::vector<std::string> rootAfter = FolderEntries("c:");
        rootAfter.push_back("quorbelregistry.dat");
        std::sort(rootAfter.begin(), rootAfter.end());
        EXPECT_EQ(rootAfter, rootBefore);
        EXPECT_EQ(ReadFileBytes(temp + "qb-canary.txt"), "the user's temp file");
        // The temp folder gained the copy's folder and lost those that earlier hand-overs
        // left, which no process uses any more; the copy and its folder go when Windows next
        // starts.
        const std::string copyFolder = copy.substr(0, copy.rfind('\\'));
        std::vector<std::string> tempAfter = FolderEntries(temp);
        tempAfter.erase(std::remove(tempAfter.begin(), tempAfter.end(), copyFolder.substr(temp.size())),
                        tempAfter.end());
        std::vector<std::string> tempLeft = tempBefore;
        tempLeft.erase(std::remove_if(tempLeft.begin(), tempLeft.end(), IsHandOverFolder), tempLeft.end());
        EXPECT_EQ(tempAfter, tempLeft);
        if (boxOpenMs != 0) EXPECT_NE(tempLeft, tempBefore) << "the first run's hand-over left its folder";
        std::vector<std::string> pending = PendingDeletes();
        EXPECT_TRUE(Contains(pending, copy)) << copy;
        EXPECT_TRUE(Contains(pending, copyFolder)) << copyFolder;
        DeleteFileA((temp + "qb-canary.txt").c_str());
    }
}

TEST_F(HandOverRun, AHandOverThatCannotDeleteTheProgramKeepsTheRecordAndALaterRemovalFinishes) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);  // its retries take no time
    {
        Installer run;
        MessageBoxSeen box = Remove(run, kInstalledCopy, kFolder);
        ASSERT_TRUE(box.box);
        EXPECT_EQ(box.text, kSuccess);
        Process handOver;
        handOver.handle = WaitForChildProcess(run);
        ASSERT_TRUE(handOver.handle);
        // Another program holds the program file open, without delete sharing, for longer
        // than the hand-over keeps trying.
        HANDLE held = CreateFileA(kInstalledCopy, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
        EXPECT_EQ(WaitForExit(handOver.handle), 0u);
        CloseHandle(held);
    }
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"QBinstaller100.exe"});
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r") << "kept for a later removal";

    // The staged copy's removal finds the program file that is left, deletes it and says so.
    Installer run;
    MessageBoxSeen box = Remove(run, QB_TEST_BUILD_EXE, kStaging);
    ASSERT_TRUE(box.box);
    EXPECT_EQ(box.text, kSuccess);
    EXPECT_FALSE(WaitForChildProcess(run, 0)) << "no hand-over from another copy";
    AnswerMessageBox(box.box);
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(ReadFileBytes(kStagedCopy), ReadFileBytes(QB_PRODUCT_EXE));
}

// Only the removal's own process makes the program a hand-over: with the variable naming
// anything else, the program runs as usual and deletes nothing, and a removal from the
// installed copy still hands over and finishes.
TEST_F(HandOverRun, AStrayHandOverVariableLeavesAnOrdinaryRun) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);  // its pacing takes no time
    std::map<std::string, std::string> before;
    Snapshot("c:\\zarvo", before);

    HANDLE self = 0, thread = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    const struct {
        const char* what;
        std::string value;
        HANDLE inherit;
    } cases[] = {
        {"another program's process", std::to_string(reinterpret_cast<uintptr_t>(self)), self},
        {"a thread", std::to_string(reinterpret_cast<uintptr_t>(thread)), thread},
        {"its own process (the pseudo handle)", std::to_string(static_cast<uintptr_t>(-1)), 0},
        {"no handle it holds", "4000", 0},
        {"no number", "4k", 0},
        {"one", "1", 0},
        {"nothing", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // From the installed copy, whose own process would pass for the removal's.
        Installer run;
        ASSERT_TRUE(StartByHand(run, kInstalledCopy, c.value, c.inherit));
        HWND welcome = WaitForWindow(run, kWelcome);
        ASSERT_TRUE(welcome) << "no welcome dialog; exit code " << WaitForExit(run, 0);
        PostClick(welcome, kLaterButton);
        HWND farewell = WaitForWindow(run, "Installation Canceled");
        ASSERT_TRUE(farewell);
        PostClick(farewell, kExitButton);
        EXPECT_EQ(WaitForExit(run), 0u);
    }
    CloseHandle(self);
    CloseHandle(thread);
    std::map<std::string, std::string> after;
    Snapshot("c:\\zarvo", after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");

    SetEnvironmentVariableA(kHandOverVariable, "1");
    RemoveAndHandOver();
    SetEnvironmentVariableA(kHandOverVariable, nullptr);
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}

TEST_F(HandOverRun, AHandOverWhoseRecordNamesAnotherFolderOnceItsProcessEndsDeletesNothing) {
    InstalledByHand("c:\\zarvo\\other");
    InstalledByHand();
    std::map<std::string, std::string> before;
    Snapshot("c:\\zarvo", before);

    // The installed copy runs; a hand-over started by hand, from a hand-over's folder, takes
    // it as its process and waits.
    Installer installed;
    ASSERT_TRUE(StartInstaller(installed, "", kFolder, kInstalledCopy));
    HWND welcome = WaitForWindow(installed, kWelcome);
    ASSERT_TRUE(welcome);
    Installer handOver;
    ASSERT_TRUE(StartAsHandOverOf(installed, handOver, HandOverFolderCopy()));
    // Once it has seen what that process runs and holds the folder, it looks for input a
    // moment, as the removal that starts it waits to see.
    ASSERT_EQ(WaitForInputIdle(handOver.process.hProcess, kPatienceMs), 0u) << "the hand-over never took over";
    EXPECT_EQ(WaitForExit(handOver, 1000), STILL_ACTIVE) << "it waits for that process";

    // Meanwhile the record comes to name another folder that holds the product.
    WriteFileBytes(kRecord, "c:\\zarvo\\other\r");
    before[kRecord] = "c:\\zarvo\\other\r";
    PostClick(welcome, kLaterButton);
    HWND farewell = WaitForWindow(installed, "Installation Canceled");
    ASSERT_TRUE(farewell);
    PostClick(farewell, kExitButton);
    EXPECT_EQ(WaitForExit(installed), 0u);

    EXPECT_EQ(WaitForExit(handOver), 1u);
    std::map<std::string, std::string> after;
    Snapshot("c:\\zarvo", after);
    after[kRecord] = ReadFileBytes(kRecord);
    EXPECT_EQ(after, before);
}

// Where the removal may take only the product's files (others may change the record or the
// folder), the hand-over that finishes it takes the program file and nothing else either.
TEST_F(HandOverRun, TheHandOverKeepsToTheProductFilesWhereTheRemovalMust) {
    const struct {
        const char* what;
        const char* path;  // made changeable by everyone
        const char* dacl;
        bool ownFiles;     // the user's own files in the folder
    } cases[] = {
        {"a record anyone may change", kRecord, "D:(A;;FA;;;WD)", true},
        {"a folder anyone may change", kFolder, "D:(A;OICI;FA;;;WD)", true},
        {"a record anyone may change, the folder holding nothing else", kRecord, "D:(A;;FA;;;WD)", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        InstalledByHand(kFolder, QB_TEST_BUILD_EXE);
        std::map<std::string, std::string> own;
        for (const char* name : {"a-notes.txt", "zz-notes.txt", "QBmanual100.rtf"}) {
            if (!c.ownFiles) break;
            std::string path = std::string(kFolder) + "\\" + name;
            WriteFileBytes(path, std::string("the user's own ") + name);
            own[path] = ReadFileBytes(path);
        }
        SetDaclText(c.path, c.dacl);

        RemoveAndHandOver();

        std::map<std::string, std::string> left;
        Snapshot(kFolder, left);
        EXPECT_EQ(left, own) << "the product's files went, and nothing else";
        EXPECT_TRUE(FolderExists(kFolder)) << "the folder is not the removal's to take";
        EXPECT_FALSE(FileExists(kRecord));
    }
}

// The record may spell the folder in another way than the program was started by: the same
// folder is the same folder, and the removal from the installed copy finishes.
TEST_F(HandOverRun, AnotherSpellingOfTheFolderIsTheSameFolder) {
    const std::string folder = "c:\\zarvo\\quorbel files";  // a long name has a short one
    const std::string program = folder + "\\QBinstaller100.exe";
    InstalledByHand(folder);
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(folder.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(Lower(shortName), Lower(folder)) << "no short name here; the case cannot show";
    const std::string spellings[] = {"c:/zarvo/quorbel files", "C:\\ZARVO\\QUORBEL FILES", shortName};
    for (const std::string& spelling : spellings) {
        SCOPED_TRACE(spelling);
        ResetSandbox();
        StageProduct();
        InstalledByHand(folder, QB_TEST_BUILD_EXE);  // its pacing takes no time
        WriteFileBytes(kRecord, spelling + "\r");
        WriteFileBytes(folder + "\\notes.txt", "the user's own notes");

        RemoveAndHandOver(program, folder);
        EXPECT_FALSE(FolderExists(folder));
        EXPECT_FALSE(FileExists(kRecord));
    }
}

// The removal lets go of its folder only once its copy holds it. The test build's copy gives
// the removal a second to go on, then opens the folder for delete just before it would take
// over, as any other program could try, and keeps it open: the removal still holds the
// folder then, so the open fails, and the copy finishes without showing anything.
TEST_F(HandOverRun, TheFolderOpenedForDeleteJustBeforeTheCopyTakesOverLeavesItToFinish) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);
    WriteFileBytes(std::string(kFolder) + "\\notes.txt", "the user's own notes");

    RemoveAndHandOver();

    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}

// A temp folder whose name the ANSI code page can't spell: the copy is made, filled and
// started by wide names, and the removal from the installed copy completes.
TEST_F(HandOverRun, ATempFolderOutsideTheCodePageTakesTheCopy) {
    const std::wstring temp = L"c:\\zarvo\\tmp-\u0416\u4E2D";
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    struct Restore {
        wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
        Restore() {
            GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
            GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
        }
        ~Restore() {
            SetEnvironmentVariableW(L"TMP", *tmp ? tmp : nullptr);
            SetEnvironmentVariableW(L"TEMP", *temp ? temp : nullptr);
        }
    } restore;
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    InstalledByHand();

    RemoveAndHandOver();

    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}

// The hand-over starts only when the running program is the one product file left: with
// another one held open by another program, the removal says it is not done, starts no copy
// and keeps the record.
TEST_F(HandOverRun, AnotherProductFileLeftStartsNoCopy) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);
    const std::string manual = std::string(kFolder) + "\\QBmanual100.doc";
    HANDLE held = CreateFileA(manual.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(RemoveStartingNoCopy(), kIncomplete);
    CloseHandle(held);

    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    EXPECT_EQ(FolderEntries(kFolder), (std::vector<std::string>{"QBinstaller100.exe", "QBmanual100.doc"}));
}

// Only the copy a removal makes, in a hand-over's own folder of the temp folder, is a
// hand-over. A copy elsewhere in the temp folder, started as the hand-over of the installed
// copy, runs as an ordinary installer: it takes nothing over, and nothing of its folder is to
// go when Windows next starts.
TEST_F(HandOverRun, ACopyOutsideAHandOversFolderIsAnOrdinaryRun) {
    InstalledByHand();
    std::map<std::string, std::string> before;
    Snapshot("c:\\zarvo", before);
    const std::string elsewhere = TempFolder() + "qb-no-handover";
    const std::string copy = HandOverFolderCopy("qb-no-handover");
    struct Cleanup {
        std::string folder;
        ~Cleanup() { RemoveTree(folder); }
    } cleanup{elsewhere};

    Installer installed;
    ASSERT_TRUE(StartInstaller(installed, "", kFolder, kInstalledCopy));
    HWND welcome = WaitForWindow(installed, kWelcome);
    ASSERT_TRUE(welcome);
    Installer started;
    ASSERT_TRUE(StartAsHandOverOf(installed, started, copy));
    HWND ordinary = WaitForWindow(started, kWelcome);
    ASSERT_TRUE(ordinary) << "it took over";
    // The installed copy ends first, as a removal's process would.
    Decline(installed, welcome);
    Decline(started, ordinary);

    std::map<std::string, std::string> after;
    Snapshot("c:\\zarvo", after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    std::vector<std::string> pending = PendingDeletes();
    EXPECT_FALSE(Contains(pending, copy)) << copy;
    EXPECT_FALSE(Contains(pending, elsewhere)) << elsewhere;
}

// Another copy of the program runs from the folder (its welcome dialog left open) while a
// second one removes: the program file can't go while it runs, so the removal says it is not
// done, hands nothing over and keeps the record. Once that copy has ended, a removal finishes.
TEST_F(HandOverRun, AnotherCopyRunningFromTheFolderMakesTheRemovalIncomplete) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);
    Installer open;
    ASSERT_TRUE(StartInstaller(open, "", kFolder, kInstalledCopy));
    HWND welcome = WaitForWindow(open, kWelcome);
    ASSERT_TRUE(welcome);
    EXPECT_EQ(RemoveStartingNoCopy(), kIncomplete);
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"QBinstaller100.exe"});
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r") << "kept for a later removal";

    Decline(open, welcome);
    RemoveAndHandOver();
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}

// A hand-over ended as soon as it starts, as by Task Manager: the program file and the record
// stay, and the staged copy's removal finishes.
TEST_F(HandOverRun, AHandOverEndedAtOnceLeavesWhatTheNextRemovalFinishes) {
    InstalledByHand(kFolder, QB_TEST_BUILD_EXE);
    {
        Installer run;
        MessageBoxSeen box = Remove(run, kInstalledCopy, kFolder);
        ASSERT_TRUE(box.box);
        Process handOver;
        handOver.handle = WaitForChildProcess(run);
        ASSERT_TRUE(handOver.handle);
        TerminateProcess(handOver.handle, 1);
        AnswerMessageBox(box.box);
        EXPECT_EQ(WaitForExit(run), 0u);
    }
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");

    Installer run;
    MessageBoxSeen box = Remove(run, QB_TEST_BUILD_EXE, kStaging);
    ASSERT_TRUE(box.box);
    EXPECT_EQ(box.text, kSuccess);
    AnswerMessageBox(box.box);
    EXPECT_EQ(WaitForExit(run), 0u);
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
}
