// The install procedure, run on a real installation status dialog in this process, on
// real files in the sandbox; its message boxes are answered and recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fs/file_services.h"
#include "fs/protection.h"
#include "install/install_status_dialog.h"
#include "install/run_install.h"
#include "run/globals.h"
#include "support/inprocess.h"
#include "support/sandbox.h"
#include "ui/message.h"

namespace {

const char kCaption[] = "Installing Product on your Machine now";
const char kInstalled[] = "c:\\zarvo\\quorbel";
const char kRecord[] = "c:\\quorbelregistry.dat";
const char kSuccess[] = "Program Installation Successful!";
const char kSomeProblem[] =
    "some problem was encountered... The files may be damaged or incomplete.  Call 800-71ZARVO now.";
const char kFreeSupport[] = "error: call 800-71ZARVO for FREE tech support on this issue";
const char kFolderDepth[] = "Error: Folder Depth Request too Great.  Ending.";

const std::vector<std::string> kDefaultProgress = {
    "P:c:\\zarvo\\quorbel", "R:c:\\quorbelregistry.dat", "making dir", "written dir", "qb.exe",
    "QBmanual100.PDF", "QBmanual100.doc", "QBmanual100.txt", "QBinstaller100.exe"};
const std::vector<std::string> kUntilMakingDir(kDefaultProgress.begin(), kDefaultProgress.begin() + 3);

std::vector<std::string> Progress(std::vector<std::string> head, std::vector<std::string> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The command-line tail as the run reads it: the wide text of an ANSI one.
std::wstring gTail;
void SetTail(const std::string& ansi) {
    gTail = Wide(ansi);
    SetCommandLineTail(gTail.c_str());
}

// What one press of "OK" showed.
struct Outcome {
    std::vector<std::string> progress;  // the progress box's texts, in order
    std::vector<SeenBox> boxes;
    bool endedByRun = false;  // the dialog was gone when the press returned
};

// The pauses the run asks for (the pump's idle wait, the wait after a general failure),
// recorded instead of waited.
std::vector<DWORD> gPauses;
void RecordPause(DWORD milliseconds) { gPauses.push_back(milliseconds); }

// A dialog left open after a reported failure ends at its next message, and the run posts
// one (WM_NULL) rather than wait for the user to move the mouse. The hook counts the ones
// the dialog is given; should none come at all, the timer posts one after a while, so that
// the test fails instead of waiting for ever.
int gWakes = 0;
int gNudges = 0;
HWND gNudged = nullptr;
LRESULT CALLBACK CountWakes(int code, WPARAM removed, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->hwnd == gNudged && msg->message == WM_NULL) ++gWakes;
    return CallNextHookEx(nullptr, code, removed, lParam);
}
void CALLBACK Nudge(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    ++gNudges;
    PostMessageA(gNudged, WM_NULL, 0, 0);
}

// Opens the installation status dialog, presses "OK" once the dialog runs and returns what
// it showed once the dialog has ended. `before` runs just before the press; `onBox` while
// each message box is open.
Outcome PressOk(std::function<void(HWND)> before = nullptr,
            std::function<void(HWND)> onBox = nullptr) {
    Outcome run;
    MessageBoxAnswerer answerer;
    std::unique_ptr<TextRecorder> recorder;
    HWND dialog = nullptr;
    UINT_PTR nudge = 0;
    HHOOK wakes = nullptr;
    gNudges = 0;
    gWakes = 0;
    if (onBox) answerer.onBox = [&](const SeenBox&) { onBox(dialog); };
    WhenRunning([&] {
        dialog = FindOwnWindow(kCaption);
        recorder.reset(new TextRecorder(GetDlgItem(dialog, kProgressBox)));
        if (before) before(dialog);
        Click(dialog, kInstallButton);
        run.endedByRun = !IsWindow(dialog);
        gNudged = dialog;
        if (run.endedByRun) return;
        wakes = SetWindowsHookExA(WH_GETMESSAGE, CountWakes, nullptr, GetCurrentThreadId());
        nudge = SetTimer(nullptr, 0, 3000, Nudge);
    });
    EXPECT_EQ(ShowInstallStatusDialog(nullptr), 0);
    if (nudge) KillTimer(nullptr, nudge);
    if (wakes) UnhookWindowsHookEx(wakes);
    EXPECT_EQ(gNudges, 0) << "the dialog waited for a message nobody sent";
    if (!run.endedByRun) EXPECT_EQ(gWakes, 1) << "the run posts one message that ends the dialog";
    EXPECT_FALSE(IsWindow(dialog));
    run.progress = recorder->texts;
    run.boxes = answerer.boxes;
    return run;
}

std::string ProductBytes(int i) {
    return i == 4 ? ReadFileBytes(QB_PRODUCT_EXE) : SampleBytes(kProductFiles[i]);
}

std::vector<std::string> Names(int from, int to) {
    std::vector<std::string> names(kProductFiles + from, kProductFiles + to);
    std::sort(names.begin(), names.end());
    return names;
}

// The record file is not held open: an exclusive open succeeds.
bool RecordUnlocked() {
    HANDLE h = CreateFileA(kRecord, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

class Install : public ::testing::Test {
protected:
    void SetUp() override {
        gPauses.clear();
        Pause = RecordPause;
        EnterSandboxDrive();
        ResetSandbox();
        StageProduct();
        CreateStringTables();
        SetTail("");
        NewRunState();
        InstallStatusSavedFocus = 0;
    }
    // The run's own state as a new process starts with it.
    static void NewRunState() {
        FinishFlag = 0;
        FolderFailureCount = 0;
    }
    // A case of its own: a clean machine with the product staged, and a new run.
    static void StartAgain() {
        ResetSandbox();
        StageProduct();
        NewRunState();
    }
    void TearDown() override {
        Pause = realPause;
        CloseAllFiles();  // a record left open must not spoil the next test
        ResetSandbox();
        SetTail("");
        NewRunState();
        ElevationQuery = realElevation;
    }
    static bool Elevated() { return true; }
    static bool NotElevated() { return false; }
    bool (*const realElevation)() = ElevationQuery;
    void ExpectInstalled(const std::string& folder) {
        ASSERT_EQ(FolderEntries(folder), Names(0, 5));
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(ReadFileBytes(folder + "\\" + kProductFiles[i]), ProductBytes(i)) << kProductFiles[i];
    }
    PauseFunction realPause = Pause;
};

}  // namespace

TEST_F(Install, TheDefaultRun) {
    Outcome run = PressOk();
    EXPECT_EQ(run.progress, kDefaultProgress);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, kSuccess);
    EXPECT_EQ(run.boxes[0].caption, "Quorbel");
    EXPECT_TRUE(run.endedByRun);
    EXPECT_EQ(FinishFlag, -1);
    EXPECT_EQ(FolderFailureCount, 0);
    // One pump per file, which waits 25 ms when no message waits.
    EXPECT_LE(gPauses.size(), 5u);
    for (DWORD pause : gPauses) EXPECT_EQ(pause, 25u);

    ExpectInstalled(kInstalled);
    EXPECT_EQ(FolderEntries(kStaging), Names(4, 5)) << "only the staged installer stays";
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    EXPECT_TRUE(RecordUnlocked());
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(FileNames[i].c_str(), kProductFiles[i]);
        EXPECT_EQ(std::string(FilePaths[i].c_str()), std::string("\\zarvo\\temp\\") + kProductFiles[i]);
    }
    for (int i = 5; i < kTableSize; ++i) EXPECT_TRUE(FileNames[i].empty() && FilePaths[i].empty());
}

TEST_F(Install, ARunThatFindsNoStringTablesMakesThemFirst) {
    ReleaseStringTables();
    Outcome run = PressOk();
    EXPECT_EQ(run.progress, kDefaultProgress);
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    ExpectInstalled(kInstalled);
    ASSERT_TRUE(FileNames && FilePaths);
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(FileNames[i].c_str(), kProductFiles[i]);
}

TEST_F(Install, AFolderAlreadyThereIsToleratedAndItsFilesOverwritten) {
    MakeFolders(kInstalled);
    for (const char* name : kProductFiles) WriteFileBytes(std::string(kInstalled) + "\\" + name, "older");
    Outcome run = PressOk();
    EXPECT_EQ(run.progress, kDefaultProgress);
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    EXPECT_EQ(FolderFailureCount, 1);
    EXPECT_EQ(FinishFlag, -1);
    ExpectInstalled(kInstalled);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
}

TEST_F(Install, TheTenthFolderFailureEndsTheRunAndFreesTheRecord) {
    MakeFolders(kInstalled);
    FolderFailureCount = 9;
    std::vector<bool> unlockedAtBox;
    Outcome run = PressOk(nullptr, [&](HWND) { unlockedAtBox.push_back(RecordUnlocked()); });
    EXPECT_EQ(unlockedAtBox, (std::vector<bool>{true, true})) << "closed before any box is shown";
    EXPECT_EQ(run.progress, kUntilMakingDir);
    EXPECT_EQ(BoxTexts(run.boxes), (std::vector<std::string>{kSomeProblem, "Folder creation error!"}));
    EXPECT_EQ(FinishFlag, 1);
    EXPECT_EQ(FolderFailureCount, 10);
    EXPECT_TRUE(FolderEntries(kInstalled).empty());
    EXPECT_EQ(FolderEntries(kStaging), Names(0, 5));
    bool exists = false;
    EXPECT_EQ(ReadFileBytes(kRecord, &exists), "") << "the record is not written";
    EXPECT_TRUE(exists);
    EXPECT_TRUE(RecordUnlocked());
}

TEST_F(Install, AMissingStagedFileTakesTheGeneralFailurePath) {
    RemoveTree(std::string(kStaging) + "\\qb.exe");
    Outcome run = PressOk();
    EXPECT_EQ(run.progress, Progress(std::vector<std::string>(kDefaultProgress.begin(), kDefaultProgress.begin() + 5),
                                     {"Unknown Error!"}));
    EXPECT_EQ(BoxTexts(run.boxes), (std::vector<std::string>{kSomeProblem, kFreeSupport}));
    EXPECT_TRUE(run.endedByRun) << "the general path ends the dialog itself";
    ASSERT_FALSE(gPauses.empty());
    EXPECT_EQ(gPauses.back(), 1000u) << "a second's wait before the last box";
    EXPECT_EQ(FinishFlag, -1);
    EXPECT_TRUE(FolderExists(kInstalled));
    EXPECT_TRUE(FolderEntries(kInstalled).empty()) << "nothing copied";
    EXPECT_EQ(FolderEntries(kStaging), Names(1, 5)) << "nothing deleted from staging";
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r") << "the record comes before the copies";
}

TEST_F(Install, AMissingFolderOnTheWayIsTooDeep) {
    struct Case {
        const char* what;
        const char* tail;
        bool staged;
        const char* folder;
    };
    const Case cases[] = {
        {"no c:\\zarvo at all", "", false, kInstalled},
        {"the install folder's parent missing", "c:\\nowhere\\quorbel", true, "c:\\nowhere\\quorbel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        if (c.staged) StageProduct();
        SetTail(c.tail);
        NewRunState();
        Outcome run = PressOk();
        EXPECT_EQ(run.progress, Progress({std::string("P:") + c.folder, "R:c:\\quorbelregistry.dat", "making dir",
                                          "written dir", "qb.exe"},
                                         {}));
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kFolderDepth});
        EXPECT_EQ(FinishFlag, 1);
        EXPECT_EQ(FolderFailureCount, 1) << "the folder failure was tolerated";
        EXPECT_FALSE(FolderExists(c.folder));
        EXPECT_EQ(ReadFileBytes(kRecord), std::string(c.folder) + "\r");
        if (c.staged) EXPECT_EQ(FolderEntries(kStaging), Names(0, 5));
    }
}

// Every entry below c:\ that a run could make, with the bytes of every file.
std::vector<std::string> DriveState() {
    std::vector<std::string> state;
    for (const std::string& folder : {std::string("c:"), std::string("c:\\zarvo"), std::string(kStaging)})
        for (const std::string& name : FolderEntries(folder)) {
            std::string path = folder + "\\" + name;
            state.push_back(path + (FileExists(path) ? "=" + ReadFileBytes(path) : ""));
        }
    return state;
}

// The removal refuses a recorded folder that is relative, holds a control byte or is too long
// for its product paths to reach the system whole: the install refuses it first, so that no
// record names a folder that its removal would misread or never clean up.
TEST_F(Install, AFolderTheRemovalWouldRefuseIsRefusedBeforeAnythingIsMade) {
    const struct {
        const char* what;
        std::string tail;
    } cases[] = {
        // Read back from a record, it would name c:\zarvo\q, which then gets emptied.
        {"a carriage return in the folder", "c:\\zarvo\\q\rx"},
        {"a tab in the folder", "c:\\zarvo\\q\tx"},
        // + "\QBinstaller100.exe" is 256 bytes: the file services would cut the paths.
        {"a folder too long", "c:\\zarvo\\" + std::string(228, 'l')},
        {"a relative folder", "zarvo\\rel"},
        {"a relative folder after a record path", "c:\\elsewhere.dat zarvo\\rel"},
        {"a folder on the current drive's root", "\\zarvo\\rooted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        SetTail(c.tail.c_str());
        NewRunState();
        const std::vector<std::string> before = DriveState();
        Outcome run = PressOk();
        ASSERT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kFolderDepth});
        EXPECT_EQ(run.boxes[0].caption, "Quorbel");
        EXPECT_EQ(FinishFlag, 1);
        EXPECT_FALSE(run.endedByRun) << "the dialog ends at its next message";
        EXPECT_TRUE(run.progress.empty()) << run.progress[0];
        EXPECT_EQ(FolderFailureCount, 0) << "no folder was made";
        EXPECT_EQ(DriveState(), before) << "nothing made, copied or deleted";
        EXPECT_FALSE(FileExists(kRecord)) << "the record is not even opened";
        EXPECT_FALSE(FileExists("c:\\elsewhere.dat"));
    }
}

// The removal holds every level of its folder and deletes nothing below a link or a level
// it can't examine, nor in a folder deeper than it can hold: what the disk says of the
// levels already there is judged before anything is made, as the text is.
TEST_F(Install, AFolderBelowALinkOrTooDeepForARemovalIsRefusedBeforeAnythingIsMade) {
    std::string deep = "c:\\zarvo";
    for (int level = 2; level <= 64; ++level) deep += "\\d";  // c: and 64 levels below it
    const struct {
        const char* what;
        std::string tail;
    } cases[] = {
        {"the folder is a link", "c:\\zarvo\\linked"},
        {"a link above the folder", "c:\\zarvo\\linked\\quorbel"},
        {"a level that can't be examined", "c:\\zarvo\\locked\\quorbel"},
        {"a folder 64 levels below its drive", deep},
    };
    MakeFolders("c:\\zarvo\\target");
    MakeFolders("c:\\zarvo\\locked");
    MakeFolderLink("c:\\zarvo", "linked", "target");
    LockFolder("c:\\zarvo", "locked", true);
    const std::vector<std::string> before = DriveState();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetTail(c.tail.c_str());
        NewRunState();
        Outcome run = PressOk();
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kFolderDepth});
        EXPECT_EQ(FinishFlag, 1);
        EXPECT_TRUE(run.progress.empty());
        EXPECT_EQ(DriveState(), before) << "nothing made, copied or deleted";
        EXPECT_TRUE(FolderEntries("c:\\zarvo\\target").empty()) << "nothing made behind the link";
        EXPECT_FALSE(FileExists(kRecord)) << "the record is not even opened";
    }
    LockFolder("c:\\zarvo", "locked", false);
    RemoveFolderLink("c:\\zarvo", "linked");
    // One level less, made up to its parent, is a folder a removal can hold: it installs.
    const std::string deepest = deep.substr(0, deep.size() - 2);
    MakeFolders(deepest.substr(0, deepest.size() - 2));
    SetTail(deepest.c_str());
    FinishFlag = 0;
    EXPECT_EQ(BoxTexts(PressOk().boxes), std::vector<std::string>{kSuccess});
    ExpectInstalled(deepest);
}

// The longest folder the removal accepts installs, and its record reads back whole.
TEST_F(Install, TheLongestFolderInstalls) {
    const std::string folder = "c:\\zarvo\\" + std::string(227, 'l');
    SetTail(folder.c_str());
    Outcome run = PressOk();
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    EXPECT_EQ(FinishFlag, -1);
    ExpectInstalled(folder);
    EXPECT_EQ(ReadFileBytes(kRecord), folder + "\r");
}

TEST_F(Install, ARecordThatCannotBeWrittenIsReportedWithItsErrorNumber) {
    struct Case {
        const char* what;
        bool heldOpen;  // else read-only
        const char* box;
    };
    const Case cases[] = {
        {"held open by another program", true, "Error 1000  52: please call 80-71ZARVO for tech support"},
        {"read-only", false, "Error 1000  70: please call 80-71ZARVO for tech support"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        FinishFlag = 0;
        WriteFileBytes(kRecord, "");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.heldOpen)
            held = CreateFileA(kRecord, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        else
            SetFileAttributesA(kRecord, FILE_ATTRIBUTE_READONLY);
        Outcome run = PressOk();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        SetFileAttributesA(kRecord, FILE_ATTRIBUTE_NORMAL);

        EXPECT_EQ(run.progress, kUntilMakingDir);
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{c.box});
        EXPECT_EQ(FinishFlag, -1);
        EXPECT_TRUE(FolderEntries(kInstalled).empty()) << "nothing copied";
        EXPECT_EQ(FolderEntries(kStaging), Names(0, 5));
        EXPECT_EQ(ReadFileBytes(kRecord), "");
        EXPECT_TRUE(RecordUnlocked());
    }
}

// Counts the presses a button is given.
struct PressCounter {
    static int presses;
    static WNDPROC original;
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == BM_CLICK) ++presses;
        return CallWindowProcA(original, w, m, wp, lp);
    }
};
int PressCounter::presses = 0;
WNDPROC PressCounter::original = nullptr;

TEST_F(Install, ASecondPressDuringTheRunIsIgnored) {
    PressCounter::presses = 0;
    auto postPress = [](HWND dialog) { PostMessageA(GetDlgItem(dialog, kInstallButton), BM_CLICK, 0, 0); };
    Outcome run = PressOk(
        [&](HWND dialog) {
            HWND ok = GetDlgItem(dialog, kInstallButton);
            PressCounter::original = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(ok, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PressCounter::Proc)));
            postPress(dialog);  // taken by the procedure's pump
        },
        postPress);  // taken by the message box's own loop
    EXPECT_EQ(PressCounter::presses, 3) << "both extra presses reached the button during the run";
    EXPECT_EQ(run.progress, kDefaultProgress) << "one run only";
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    ExpectInstalled(kInstalled);
}

// Objects made alike in c:\zarvo\alike, to compare with what an install made, as this Wine
// reports them.
struct Alike {
    std::string plainFolder, protectedFolder, plainFile, protectedNewFile, protectedOpenFile;
    std::string fileInPlainFolder, fileInProtectedFolder;  // made there with no descriptor of its own
};

Alike MakeAlike(const std::string& openToAll) {
    const std::string at = "c:\\zarvo\\alike";
    MakeFolders(at);
    PSECURITY_DESCRIPTOR folderProtection = NewProtection(kProtectedFolder);
    PSECURITY_DESCRIPTOR recordProtection = NewProtection(kProtectedRecord);
    SECURITY_ATTRIBUTES folderAttributes = {sizeof(SECURITY_ATTRIBUTES), folderProtection, FALSE};
    SECURITY_ATTRIBUTES recordAttributes = {sizeof(SECURITY_ATTRIBUTES), recordProtection, FALSE};
    CreateDirectoryA((at + "\\plain").c_str(), nullptr);
    CreateDirectoryA((at + "\\protected").c_str(), &folderAttributes);
    WriteFileBytes(at + "\\plain.dat", "");
    CloseHandle(CreateFileA((at + "\\protected.dat").c_str(), GENERIC_WRITE, 0, &recordAttributes, CREATE_NEW, 0,
                            nullptr));
    // Open to everyone first, then protected through a handle.
    const std::string opened = at + "\\opened.dat";
    WriteFileBytes(opened, "");
    SetDaclText(opened, openToAll);
    HANDLE h = CreateFileA(opened.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    EXPECT_TRUE(ApplyProtection(h, recordProtection));
    CloseHandle(h);
    WriteFileBytes(at + "\\plain\\inside.dat", "");
    WriteFileBytes(at + "\\protected\\inside.dat", "");
    LocalFree(folderProtection);
    LocalFree(recordProtection);
    return {DaclText(at + "\\plain"),          DaclText(at + "\\protected"),
            DaclText(at + "\\plain.dat"),      DaclText(at + "\\protected.dat"),
            DaclText(opened),                  DaclText(at + "\\plain\\inside.dat"),
            DaclText(at + "\\protected\\inside.dat")};
}

// The install folder and record an elevated run makes are protected from the start, and a
// record already there is protected through the handle that writes it; a run that is not
// elevated leaves both as the system makes them. A folder already there that anyone may change
// is taken over by an elevated run before any copy (the owner and permissions of a folder it
// makes); one that no one else may change, or a run that is not elevated, leaves a folder's
// permissions as they are. The product files take the folder's; no permission of a staged file
// survives the copy.
TEST_F(Install, AnElevatedRunProtectsTheFolderAndTheRecord) {
    struct Case {
        const char* what;
        bool elevated;
        bool recordThere;  // made beforehand, open to everyone
        bool folderThere;  // made beforehand, open to everyone unless folderOwn
        bool folderOwn = false;
    };
    const Case cases[] = {
        {"elevated", true, false, false},
        {"not elevated", false, false, false},
        {"elevated, over a record", true, true, false},
        {"not elevated, over a record", false, true, false},
        {"elevated, into a folder anyone may change", true, false, true},
        {"not elevated, into a folder anyone may change", false, false, true},
        {"elevated, into a folder no one else may change", true, false, true, true},
    };
    const std::string openToAll = "D:(A;;FA;;;WD)";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        SetDaclText(std::string(kStaging) + "\\qb.exe", openToAll);
        NewRunState();
        if (c.recordThere) {
            WriteFileBytes(kRecord, "an older, longer record\rtail");
            SetDaclText(kRecord, openToAll);
        }
        if (c.folderThere) {
            MakeFolders(kInstalled);
            if (!c.folderOwn) SetDaclText(kInstalled, "D:(A;OICI;FA;;;WD)");
        }
        const std::string recordBefore = DaclText(kRecord), folderBefore = DaclText(kInstalled);
        ElevationQuery = c.elevated ? Elevated : NotElevated;
        Outcome run = PressOk();
        ElevationQuery = realElevation;
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        ExpectInstalled(kInstalled);
        EXPECT_EQ(ReadFileBytes(kRecord), c.recordThere ? "c:\\zarvo\\quorbel\rrecord\rtail" : "c:\\zarvo\\quorbel\r");

        const Alike alike = MakeAlike(openToAll);
        ASSERT_NE(alike.protectedFolder, alike.plainFolder) << "this Wine keeps a DACL given at creation";
        ASSERT_NE(alike.protectedNewFile, alike.plainFile);
        if (c.recordThere) ASSERT_NE(alike.protectedOpenFile, recordBefore) << "and one set through a handle";

        if (c.folderThere && (!c.elevated || c.folderOwn))
            EXPECT_EQ(DaclText(kInstalled), folderBefore) << "a folder already there keeps its permissions";
        else
            EXPECT_EQ(DaclText(kInstalled), c.elevated ? alike.protectedFolder : alike.plainFolder);
        if (c.elevated) {
            EXPECT_TRUE(OnlyOwnerAndAdministratorsMayChange(kInstalled));
            for (const char* name : kProductFiles)
                EXPECT_TRUE(OnlyOwnerAndAdministratorsMayChange(std::string(kInstalled) + "\\" + name)) << name;
        }
        if (c.recordThere)
            EXPECT_EQ(DaclText(kRecord), c.elevated ? alike.protectedOpenFile : recordBefore);
        else
            EXPECT_EQ(DaclText(kRecord), c.elevated ? alike.protectedNewFile : alike.plainFile);
        if (!c.folderThere || (c.elevated && !c.folderOwn))
            EXPECT_EQ(DaclText(std::string(kInstalled) + "\\qb.exe"),
                      c.elevated ? alike.fileInProtectedFolder : alike.fileInPlainFolder)
                << "the folder's permissions, nothing of the staged file's";
    }
}

// Someone who may write to a parent renames a level of the install folder away while the install
// runs, once the folder is made and the record written, and puts a link to another folder in its
// place. The levels are held from the judgement to the last copy: the rename fails, the copies
// land in the folder judged and recorded, and the other folder keeps what it has.
namespace {

// Someone acting while the install runs: gAction runs once, when the progress box is given
// gActionText.
std::string gActionText;
std::function<void()> gAction;
WNDPROC gProgressProc = nullptr;

LRESULT CALLBACK ActOnText(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && gAction && std::string(reinterpret_cast<const char*>(lParam)) == gActionText) {
        std::function<void()> action = gAction;
        gAction = nullptr;
        action();
    }
    return CallWindowProcA(gProgressProc, box, message, wParam, lParam);
}

// For PressOk: arms `action` on the dialog's progress box, for when it shows `text`.
std::function<void(HWND)> When(const std::string& text, std::function<void()> action) {
    return [=](HWND dialog) {
        gActionText = text;
        gAction = action;
        HWND box = GetDlgItem(dialog, kProgressBox);
        gProgressProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ActOnText)));
    };
}

struct Swap {
    std::string parent, name, target;  // parent\name is renamed away; a link to target takes its place
    bool tried = false, renamed = false;
};
Swap gSwap;

void SwapLevel() {
    gSwap.tried = true;
    const std::string level = gSwap.parent + "\\" + gSwap.name;
    gSwap.renamed = MoveFileA(level.c_str(), (level + "-away").c_str()) != 0;
    if (gSwap.renamed) MakeFolderLink(gSwap.parent, gSwap.name, gSwap.target);
}

}  // namespace

TEST_F(Install, NoLevelCanBeSwappedForALinkWhileTheInstallRuns) {
    const std::string folder = "c:\\zarvo\\apps\\quorbel";
    const struct {
        const char* what;
        bool folderThere;
        Swap swap;
    } cases[] = {
        {"the folder the run made", false, {"c:\\zarvo\\apps", "quorbel", "../other/quorbel"}},
        {"the folder that was there", true, {"c:\\zarvo\\apps", "quorbel", "../other/quorbel"}},
        {"a level above it", false, {"c:\\zarvo", "apps", "other"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        StageProduct();
        MakeFolders(c.folderThere ? folder : "c:\\zarvo\\apps");
        CanarySet canaries;
        canaries.Plant("c:\\zarvo\\other\\quorbel\\qb.exe");
        canaries.Plant("c:\\zarvo\\other\\quorbel\\notes.txt");
        SetTail(folder);
        NewRunState();
        gSwap = c.swap;
        Outcome run = PressOk(When("written dir", SwapLevel));
        RemoveFolderLink(gSwap.parent, gSwap.name);
        EXPECT_TRUE(gSwap.tried);
        EXPECT_FALSE(gSwap.renamed) << "a held level can't be renamed";
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        ExpectInstalled(folder);
        EXPECT_EQ(ReadFileBytes(kRecord), folder + "\r");
        canaries.ExpectIntact();
        EXPECT_EQ(FolderEntries("c:\\zarvo\\other\\quorbel"), (std::vector<std::string>{"notes.txt", "qb.exe"}));
    }
}

// The staged files are read, and their copies deleted, in the staging folder itself: never
// through a link there or at a staged name, nor in a folder put in its place while the install
// runs. A staging folder or staged file that is a link is no staged file: the install ends as
// when the staging folder is missing, and the files the links lead to stay as they were.
TEST_F(Install, StagedFilesAreTakenFromTheStagingFolderItselfAndNowhereElse) {
    const std::string elsewhere = "c:\\zarvo\\elsewhere";
    const struct {
        const char* what;
        std::function<void()> prepare, undo;  // the links, made and taken away
        const char* swapAt;                    // the staging folder is swapped for a link then
        const char* box;
    } cases[] = {
        {"the staging folder is a link",
         [&] {
             RemoveTree(kStaging);
             MakeFolderLink("c:\\zarvo", "temp", "elsewhere");
         },
         [] { RemoveFolderLink("c:\\zarvo", "temp"); }, nullptr, kFolderDepth},
        {"a staged file is a link",
         [&] {
             RemoveTree(std::string(kStaging) + "\\QBmanual100.txt");
             MakeFileLink(kStaging, "QBmanual100.txt", "../elsewhere/notes.txt");
         },
         [] { RemoveFileLink(kStaging, "QBmanual100.txt"); }, nullptr, kFolderDepth},
        {"the staging folder is swapped for a link before the last copy", [] {},
         [] { RemoveFolderLink("c:\\zarvo", "temp"); }, "QBinstaller100.exe", kSuccess},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAgain();
        // What the links lead to: files under the product's names, and another.
        CanarySet canaries;
        for (int i = 0; i < 5; ++i)
            canaries.Plant(elsewhere + "\\" + kProductFiles[i], i == 1 ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL);
        canaries.Plant(elsewhere + "\\notes.txt", FILE_ATTRIBUTE_READONLY);
        const std::vector<std::string> there = FolderEntries(elsewhere);
        c.prepare();
        gSwap = {"c:\\zarvo", "temp", "elsewhere"};
        Outcome run = PressOk(c.swapAt ? When(c.swapAt, SwapLevel) : nullptr);
        c.undo();
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{c.box});
        EXPECT_FALSE(gSwap.renamed) << "a held level can't be renamed";
        canaries.ExpectIntact();
        EXPECT_EQ(FolderEntries(elsewhere), there);
        // Whatever landed in the install folder is the product's own.
        for (int i = 0; i < 5; ++i) {
            bool placed = false;
            const std::string bytes = ReadFileBytes(std::string(kInstalled) + "\\" + kProductFiles[i], &placed);
            if (placed) EXPECT_TRUE(bytes == ProductBytes(i)) << kProductFiles[i];
        }
        SetFileAttributesA((elsewhere + "\\notes.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        if (std::string(c.box) == kSuccess) {
            ExpectInstalled(kInstalled);
            EXPECT_EQ(FolderEntries(kStaging), Names(4, 5)) << "the staged copies went from the staging folder";
        }
    }
}

// The folder was not there when judged, and something that is no folder takes its name before it
// is made: a link to another folder, or a file. It can't be held, so nothing is installed there,
// and no record names it (a removal would refuse the link for as long as it stays).
TEST_F(Install, SomethingThatIsNoFolderInTheFoldersPlaceBeforeItIsMadeIsRefused) {
    const struct {
        const char* what;
        bool link;  // else a file
    } cases[] = {{"a link to another folder", true}, {"a file", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAgain();
        CanarySet canaries;
        canaries.Plant("c:\\zarvo\\elsewhere\\qb.exe", FILE_ATTRIBUTE_READONLY);
        Outcome run = PressOk(When("making dir", [&] {
            if (c.link) MakeFolderLink("c:\\zarvo", "quorbel", "elsewhere");
            else canaries.Plant(kInstalled);
        }));
        const bool linked = IsReparsePoint(kInstalled);
        RemoveFolderLink("c:\\zarvo", "quorbel");
        EXPECT_EQ(linked, c.link);
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kFolderDepth});
        EXPECT_EQ(FinishFlag, 1);
        EXPECT_EQ(ReadFileBytes(kRecord), "") << "no record names it";
        canaries.ExpectIntact();
        EXPECT_EQ(FolderEntries("c:\\zarvo\\elsewhere"), std::vector<std::string>{"qb.exe"});
        EXPECT_EQ(FolderEntries(kStaging), Names(0, 5)) << "nothing copied or deleted";
        SetFileAttributesA("c:\\zarvo\\elsewhere\\qb.exe", FILE_ATTRIBUTE_NORMAL);
    }
}

// A folder that is not the product's alone (a drive's root, a known folder by any spelling) is
// installed into as it is: an elevated run never takes it over, and it keeps its permissions.
TEST_F(Install, ARootOrAKnownFolderKeepsItsPermissions) {
    const struct {
        const char* what;
        const char* tail;
        const char* folder;  // the same folder, as the test names it
    } cases[] = {
        {"a drive's root", "t:", "t:\\"},
        {"a known folder, by another spelling", "C:/PROGRAMDATA/", "c:\\ProgramData"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAgain();
        const std::string before = DaclText(c.folder);
        SetTail(c.tail);
        ElevationQuery = Elevated;
        Outcome run = PressOk();
        ElevationQuery = realElevation;
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        EXPECT_EQ(DaclText(c.folder), before);
        for (const char* name : kProductFiles) RemoveTree(std::string(c.folder) + "\\" + name);
    }
}

namespace {

// Whether two paths open the same folder.
bool SameFolder(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = CreateFileA(paths[i].c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

// A 32-bit program on 64-bit Windows: "System32" names SysWOW64 to it, "Sysnative" the native
// system folder. The install folder and the record land where their names lead this program,
// the folder of the same name on the other side keeps what it has, and the thread still sees
// System32 as SysWOW64 afterwards: the redirection is the thread's own, and DLLs load by it.
TEST_F(Install, UnderWow64TheSystemFolderIsTheOneItsNameMeans) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "only a 32-bit program on 64-bit Windows sees these spellings";
    const std::string wow = "c:\\windows\\syswow64\\", native = "c:\\windows\\sysnative\\";
    const struct {
        const char* what;
        const char* tail;
        std::string folder, installed;  // as named, and where it must be
        std::string record;             // where the record must be
        std::string other;              // a canary where nothing may land
    } cases[] = {
        {"the folder in System32", "c:\\windows\\system32\\qbtest", "c:\\windows\\system32\\qbtest", wow + "qbtest",
         kRecord, native + "qbtest\\qb.exe"},
        {"the folder in Sysnative", "c:\\windows\\sysnative\\qbtest", "c:\\windows\\sysnative\\qbtest",
         native + "qbtest", kRecord, wow + "qbtest\\qb.exe"},
        {"the record in System32", "c:\\windows\\system32\\qbtest.dat c:\\zarvo\\quorbel", kInstalled, kInstalled,
         wow + "qbtest.dat", native + "qbtest.dat"},
    };
    ASSERT_TRUE(SameFolder("c:\\windows\\system32", wow)) << "the precondition: this thread is redirected";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartAgain();
        CanarySet canaries;
        canaries.Plant(c.other);
        SetTail(c.tail);
        Outcome run = PressOk();
        EXPECT_TRUE(SameFolder("c:\\windows\\system32", wow)) << "the thread is still redirected";
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        ExpectInstalled(c.installed);
        EXPECT_EQ(ReadFileBytes(c.record), c.folder + "\r");
        canaries.ExpectIntact();
        RemoveTree(c.other);
        if (c.installed != kInstalled) RemoveTree(c.installed);
        if (c.record != kRecord) RemoveTree(c.record);
    }
}
