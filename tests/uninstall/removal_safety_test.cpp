// The removal never deletes outside the recorded folder, never deletes through a link,
// empties no root or Windows folder, and never reports a removal it did not finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fs/error_state.h"
#include "fs/known_folders.h"
#include "removal_fixture.h"
#include "uninstall/removal_scope.h"

using namespace removal;

namespace {

class RemovalSafety : public RemovalTest {};

std::string ScopeName(RemovalScope s) {
    return s == RemoveNothing ? "nothing" : s == RemoveProductFilesOnly ? "product files only" : "whole folder";
}

// The judgement of a folder whose record may be trusted.
RemovalScope ScopeOf(const std::string& folder) {
    HeldFolder held = {};
    FolderJudgement judgement = JudgeFolder(DynString(folder.c_str()), true, held);
    ReleaseFolder(held);
    return judgement == kWholeFolder       ? RemoveWholeFolder
           : judgement == kProductFilesOnly ? RemoveProductFilesOnly
                                            : RemoveNothing;
}

}  // namespace

TEST_F(RemovalSafety, OnlyAReadableRecordOfAnAbsoluteFolderAllowsDeletion) {
    const struct {
        const char* what;
        bool present;
        std::string bytes;
        RemovalScope scope;
        const char* folder;
    } cases[] = {
        {"no record", false, "", RemoveNothing, ""},
        {"an empty record", true, "", RemoveNothing, ""},
        {"a carriage return first", true, "\rc:\\zarvo\\quorbel\r", RemoveNothing, ""},
        {"no carriage return in 255 bytes", true, "c:\\zarvo\\quorbel" + std::string(239, 'x'), RemoveNothing, ""},
        {"the carriage return beyond 255 bytes", true, "c:\\zarvo\\" + std::string(247, 'x') + "\r", RemoveNothing, ""},
        {"a relative folder", true, "zarvo\\quorbel\r", RemoveNothing, "zarvo\\quorbel"},
        {"the current drive's root", true, "\\zarvo\\quorbel\r", RemoveNothing, "\\zarvo\\quorbel"},
        {"a drive-relative folder", true, "c:zarvo\r", RemoveNothing, "c:zarvo"},
        {"a climbing folder", true, "c:\\zarvo\\quorbel\\..\\..\r", RemoveNothing, "c:\\zarvo\\quorbel\\..\\.."},
        {"the installer's record", true, "c:\\zarvo\\quorbel\r", RemoveWholeFolder, "c:\\zarvo\\quorbel"},
        // No descriptor to trust: nothing lies there to delete beyond the product's files.
        {"a folder that is not there", true, "c:\\zarvo\\elsewhere\r", RemoveProductFilesOnly, "c:\\zarvo\\elsewhere"},
        {"a drive root", true, "t:\r", RemoveProductFilesOnly, "t:"},
    };
    MakeFolders(kFolder);  // the installer's folder is there, as after an install
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(kRecord);
        if (c.present) WriteFileBytes(kRecord, c.bytes);
        ErrorState error = {};
        DynString folder("left over");
        EXPECT_EQ(ScopeName(PlanRemoval(error, folder)), ScopeName(c.scope));
        EXPECT_EQ(std::string(folder.c_str(), folder.size()), c.folder);
        if (c.present) EXPECT_EQ(ReadFileBytes(kRecord), c.bytes) << "reading changes nothing";
    }

    // A record that another program holds open cannot be read: no folder.
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    HANDLE held = CreateFileA(kRecord, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ErrorState error = {};
    DynString folder;
    EXPECT_EQ(ScopeName(PlanRemoval(error, folder)), ScopeName(RemoveNothing));
    EXPECT_TRUE(folder.empty());
    CloseHandle(held);
}

TEST_F(RemovalSafety, LinksRootsAndTheWindowsFoldersLimitWhatMayGo) {
    PutProductFiles("t:\\behind");
    MakeFolders("t:\\behindparent\\quorbel");
    MakeFolderLink("t:\\", "linked", "behind");
    MakeFolderLink("t:\\", "linkedparent", "behindparent");
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    std::string upper = windows;
    CharUpperA(&upper[0]);

    const struct {
        std::string folder;
        RemovalScope scope;
    } cases[] = {
        {"t:\\behind", RemoveWholeFolder},
        {"t:\\not\\there\\yet", RemoveProductFilesOnly},  // nothing there, nothing to trust
        {"t:\\linked", RemoveNothing},                    // the folder is a link
        {"t:\\linked\\", RemoveNothing},
        {"t:\\linkedparent\\quorbel", RemoveNothing},     // a folder above it is one
        {"t:\\linkedparent\\quorbel\\deeper", RemoveNothing},
        {"t:", RemoveProductFilesOnly},
        {"t:\\", RemoveProductFilesOnly},
        {"\\\\server\\share", RemoveNothing},         // a share that is not there
        {windows, RemoveProductFilesOnly},
        {upper + "\\", RemoveProductFilesOnly},
        {system, RemoveProductFilesOnly},
        {std::string(windows) + "\\system32\\..\\system32", RemoveNothing},
        {std::string(windows) + "\\temp", RemoveProductFilesOnly},  // inside the Windows folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScopeName(ScopeOf(c.folder)), ScopeName(c.scope)) << c.folder;
}

// Records that lead nowhere safe, and a drive root, run through the whole removal: the
// canaries come through, the passes are still shown, the box tells the truth and the record
// goes only when the removal happened.
TEST_F(RemovalSafety, RecordsThatLeadNowhereSafeDeleteNothingButTheProductsOwn) {
    const struct {
        const char* what;
        const char* record;  // nullptr: none
        void (*arrange)(Canaries&);
        const char* box;
        void (*alsoExpect)();
    } cases[] = {
        {"no record: the passes would address the current drive's root", nullptr,
         [](Canaries& canaries) {
             PutProductFiles("t:\\");
             canaries.Plant("t:\\canary.txt");
             canaries.Plant("t:\\zarvo\\quorbel\\qb.exe");
             for (const char* name : kProductFiles)
                 canaries.files.emplace_back(std::string("t:\\") + name, SampleBytes(name));
             ASSERT_TRUE(SetCurrentDirectoryA("t:\\"));
         },
         kSuccess, [] {}},
        {"a relative folder", "zarvo\\quorbel\r",
         [](Canaries& canaries) {
             for (const char* name : kProductFiles) canaries.Plant(std::string("t:\\zarvo\\quorbel\\") + name);
             canaries.Plant("t:\\zarvo\\quorbel\\notes.txt");
             canaries.Plant("t:\\zarvo\\beside.txt");
             ASSERT_TRUE(SetCurrentDirectoryA("t:\\"));
         },
         kSuccess, [] {}},
        {"a drive root loses the product files only", "t:\r",
         [](Canaries& canaries) {
             PutProductFiles("t:\\");
             canaries.Plant("t:\\canary.txt");
             canaries.Plant("t:\\QBmanual100.rtf");
             canaries.Plant("t:\\keep\\inner.txt");
         },
         kSuccess,
         [] {
             EXPECT_FALSE(AnyProductFileIn("t:"));
             EXPECT_TRUE(FolderExists("t:\\keep"));
         }},
        {"a folder that is a link", "t:\\linked\r",
         [](Canaries& canaries) {
             for (const char* name : kProductFiles) canaries.Plant(std::string("t:\\behind\\") + name);
             canaries.Plant("t:\\behind\\notes.txt");
             canaries.Plant("t:\\canary.txt");
             MakeFolderLink("t:\\", "linked", "behind");
         },
         kIncomplete, [] { EXPECT_TRUE(IsReparsePoint("t:\\linked")) << "the link itself stays"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetCurrentDirectoryA("c:\\");
        ResetSandbox();
        ClearSecondDrive();
        Canaries canaries;
        c.arrange(canaries);
        if (c.record) WriteFileBytes(kRecord, c.record);

        RemovalRun run = RunRemoval();

        canaries.ExpectIntact();
        c.alsoExpect();
        if (std::string(c.box) == kIncomplete)
            EXPECT_EQ(ReadFileBytes(kRecord), c.record) << "kept: the removal did not happen";
        else
            EXPECT_FALSE(FileExists(kRecord)) << "the record, or the empty file the read made, is gone";
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{c.box});
        EXPECT_EQ(run.statuses, ExpectedStatuses()) << "the passes are still shown";
        EXPECT_TRUE(run.dialogGone);
        EXPECT_EQ(run.result, 0);
    }
}

TEST_F(RemovalSafety, AReadOnlyProductFileIsRemovedAndOtherReadOnlyFilesStay) {
    PutProductFiles(kFolder);
    std::string manual = std::string(kFolder) + "\\QBmanual100.PDF";
    std::string notes = std::string(kFolder) + "\\notes.txt";
    WriteFileBytes(notes, "read-only notes");
    SetFileAttributesA(manual.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(notes.c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(AnyProductFileIn(kFolder));
    EXPECT_EQ(ReadFileBytes(notes), "read-only notes");
    EXPECT_TRUE(GetFileAttributesA(notes.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(FolderExists(kFolder)) << "it still holds the notes";
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    EXPECT_EQ(run.result, 0);
}

TEST_F(RemovalSafety, AProductFileInUseIsReportedAndTheRecordKept) {
    PutProductFiles(kFolder);
    const std::string record = "c:\\zarvo\\quorbel\rold tail";
    WriteFileBytes(kRecord, record);
    std::string manual = std::string(kFolder) + "\\QBmanual100.doc";
    HANDLE held = CreateFileA(manual.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    RemovalRun run = RunRemoval();
    CloseHandle(held);

    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kIncomplete});
    EXPECT_EQ(ReadFileBytes(kRecord), record) << "kept, so that a later run can finish";
    EXPECT_EQ(ReadFileBytes(manual), SampleBytes("QBmanual100.doc"));
    EXPECT_FALSE(FileExists(std::string(kFolder) + "\\qb.exe"));
    EXPECT_EQ(run.statuses, ExpectedStatuses());
    EXPECT_TRUE(run.dialogGone);
    EXPECT_EQ(run.result, 0);
}

// Windows trims a blank or a dot from the last level of a path, but not always from a level in
// the middle: the folder is held by what its text opens, and every name is looked for in the
// folder held, so that the product goes, or the removal says it has not.
TEST_F(RemovalSafety, ARecordWhoseFolderEndsInABlankOrADotRemovesTheFolderItNames) {
    for (const char* record : {"c:\\zarvo\\quorbel \r", "c:\\zarvo\\quorbel.\r", "c:\\zarvo\\quorbel. \r"}) {
        SCOPED_TRACE(std::string("\"") + record + "\"");
        ResetSandbox();
        PutProductFiles(kFolder);
        WriteFileBytes(Join(kFolder, "notes.txt"), "the user's own notes");
        Canaries canaries;
        canaries.Plant("c:\\zarvo\\beside.txt");
        canaries.Plant("c:\\zarvo\\quorbel2\\qb.exe");
        WriteFileBytes(kRecord, record);

        RemovalRun run = RunRemoval();

        canaries.ExpectIntact();
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        EXPECT_FALSE(AnyProductFileIn(kFolder));
        EXPECT_FALSE(FolderExists(kFolder));
        EXPECT_FALSE(FileExists(kRecord));
    }
}

// Attributes belong to the file, not to one of its names: a product file that is another name
// of a read-only, hidden file elsewhere can't go without changing that file, so it stays, and
// the removal says so.
TEST_F(RemovalSafety, AProductFileWithAnotherNameElsewhereLeavesThatFileAsItWas) {
    PutProductFiles(kFolder);
    const std::string other = "c:\\zarvo\\elsewhere\\letter.doc";
    MakeFolders("c:\\zarvo\\elsewhere");
    WriteFileBytes(other, "the user's own letter");
    const std::string manual = Join(kFolder, "QBmanual100.doc");
    RemoveTree(manual);
    ASSERT_TRUE(CreateHardLinkA(manual.c_str(), other.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(SetFileAttributesA(other.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const DWORD attributes = GetFileAttributesA(other.c_str());
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");

    RemovalRun run = RunRemoval();

    EXPECT_EQ(ReadFileBytes(other), "the user's own letter");
    EXPECT_EQ(GetFileAttributesA(other.c_str()), attributes);
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kIncomplete});
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r") << "kept for a later removal";
    EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{"QBmanual100.doc"});
}

TEST_F(RemovalSafety, PressesDuringTheRemovalChangeNothing) {
    PutProductFiles(kFolder);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    bool openAtTheBox = false;

    RemovalRun run = RunRemoval(
        [](HWND dialog) {
            // Queued now, delivered by the removal's own pump, one per pass.
            PostMessageA(GetDlgItem(dialog, kDestroyButton), BM_CLICK, 0, 0);
            PostMessageA(GetDlgItem(dialog, kCancelButton), BM_CLICK, 0, 0);
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        },
        [&](HWND dialog, const SeenBox&) {
            // Delivered by the message box's own loop before the box is answered.
            openAtTheBox = IsWindow(dialog) && IsWindowVisible(dialog);
            PostMessageA(GetDlgItem(dialog, kCancelButton), BM_CLICK, 0, 0);
            PostMessageA(GetDlgItem(dialog, kDestroyButton), BM_CLICK, 0, 0);
        });

    EXPECT_TRUE(openAtTheBox) << "no cancel hid the removal while it ran";
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess}) << "no second run";
    EXPECT_EQ(run.statuses, ExpectedStatuses());
    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_TRUE(run.dialogGone);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(UninstallingDialog(), nullptr);
}

TEST_F(RemovalSafety, ARecordOrFolderThatOthersMayChangeLosesTheProductFilesAndNothingElse) {
    const struct {
        const char* what;
        bool recordOpen;  // everyone may change it
        bool folderOpen;
    } cases[] = {
        {"a record anyone may change", true, false},
        {"a folder anyone may change", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        PutProductFiles(kFolder);
        Canaries canaries;
        canaries.Plant(std::string(kFolder) + "\\notes.txt");
        canaries.Plant(std::string(kFolder) + "\\QBmanual100.rtf");
        canaries.Plant("c:\\zarvo\\beside.txt");
        WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
        if (c.recordOpen) SetDaclText(kRecord, "D:(A;;FA;;;WD)");
        if (c.folderOpen) SetDaclText(kFolder, "D:(A;OICI;FA;;;WD)");
        ErrorState error = {};
        DynString folder;
        EXPECT_EQ(ScopeName(PlanRemoval(error, folder)), ScopeName(RemoveProductFilesOnly));

        RemovalRun run = RunRemoval();

        EXPECT_FALSE(AnyProductFileIn(kFolder));
        canaries.ExpectIntact();
        EXPECT_TRUE(FolderExists(kFolder));
        EXPECT_FALSE(FileExists(kRecord));
        EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
        EXPECT_EQ(run.statuses, ExpectedStatuses());
        EXPECT_EQ(run.result, 0);
    }
}

namespace {

// A file's final path as if it lay in c:\zarvo\elsewhere, for the files of c:\zarvo\quorbel
// only (the folder itself is where it is).
DWORD WINAPI ResolvedElsewhere(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    DWORD n = GetFinalPathNameByHandleW(file, path, size, flags);
    const wchar_t inside[] = L"\\\\?\\C:\\zarvo\\quorbel\\";
    const int prefix = sizeof inside / sizeof inside[0] - 1;
    if (n == 0 || n >= size || static_cast<int>(n) <= prefix ||
        CompareStringOrdinal(path, prefix, inside, prefix, TRUE) != CSTR_EQUAL)
        return n;
    std::wstring moved = std::wstring(L"\\\\?\\C:\\zarvo\\elsewhere\\") + (path + prefix);
    if (moved.size() >= size) return static_cast<DWORD>(moved.size() + 1);
    lstrcpyW(path, moved.c_str());
    return static_cast<DWORD>(moved.size());
}

}  // namespace

// Each delete checks, through the file's own handle, that the file lies directly in the held
// folder: a file whose handle resolves to another folder is not deleted, by its pass or by
// the sweep, and the removal says it is not done.
TEST_F(RemovalSafety, AFileWhoseHandleResolvesElsewhereIsNotDeleted) {
    PutProductFiles(kFolder);
    Canaries canaries;
    canaries.Plant(std::string(kFolder) + "\\notes.txt");
    for (const char* name : kProductFiles) canaries.files.emplace_back(Join(kFolder, name), SampleBytes(name));
    MakeFolders("c:\\zarvo\\elsewhere");
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    auto realQuery = FinalPathQuery;
    FinalPathQuery = ResolvedElsewhere;

    RemovalRun run = RunRemoval();

    FinalPathQuery = realQuery;
    canaries.ExpectIntact();
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kIncomplete});
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    // The same removal without the stand-in deletes them: the check alone kept them.
    RemovalRun again = RunRemoval();
    EXPECT_EQ(BoxTexts(again.boxes), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(FolderExists(kFolder));
}

namespace {

// Entries of the folder that a stand-in swaps for something else between the sweep's listing
// and its opening them: the first time the sweep asks where one of them really is (the entry
// it has just opened), every other one is swapped by gSwap.
std::vector<std::string> gSwappable;
std::vector<std::string> gSwapped;
std::function<void(const std::string&)> gSwap;

DWORD WINAPI SwapTheOthersAtTheFirstLook(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    DWORD n = GetFinalPathNameByHandleW(file, path, size, flags);
    if (!gSwapped.empty() || n == 0 || n >= size) return n;
    for (const std::string& name : gSwappable) {
        std::wstring tail = L"\\quorbel\\" + std::wstring(name.begin(), name.end());
        if (n > tail.size() && std::wstring(path + n - tail.size()) == tail) {
            for (const std::string& other : gSwappable)
                if (other != name) {
                    gSwap(other);
                    gSwapped.push_back(other);
                }
            break;
        }
    }
    return n;
}

// Runs a removal of c:\zarvo\quorbel, with the product and two files of the user's, whose
// sweep meets gSwap at the first look; returns the entries that were swapped.
std::vector<std::string> RemoveWhileSwapping(std::function<void(const std::string&)> swap) {
    PutProductFiles(kFolder);
    gSwappable = {"swap-1.txt", "swap-2.txt"};
    for (const std::string& name : gSwappable) WriteFileBytes(Join(kFolder, name), "listed " + name);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    gSwapped.clear();
    gSwap = swap;
    auto realQuery = FinalPathQuery;
    FinalPathQuery = SwapTheOthersAtTheFirstLook;
    RemovalRun run = RunRemoval();
    FinalPathQuery = realQuery;
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(AnyProductFileIn(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(gSwapped.size(), 1u) << "the sweep looked at no listed file";
    // The one looked at first was the entry listed, and went.
    for (const std::string& name : gSwappable)
        if (std::find(gSwapped.begin(), gSwapped.end(), name) == gSwapped.end())
            EXPECT_FALSE(FileExists(Join(kFolder, name))) << name;
    return gSwapped;
}

}  // namespace

// The sweep deletes a listed file only through a handle that is that file: another file put
// in its place under the same name after the listing stays.
TEST_F(RemovalSafety, AFileSwappedInAfterTheListingStays) {
    Canaries canaries;
    for (const char* name : {"swap-1.txt", "swap-2.txt"}) canaries.Plant(std::string("c:\\zarvo\\spare\\") + name);

    std::vector<std::string> swapped = RemoveWhileSwapping([](const std::string& name) {
        MoveFileExA(("c:\\zarvo\\spare\\" + name).c_str(), Join(kFolder, name).c_str(), MOVEFILE_REPLACE_EXISTING);
    });

    for (const auto& f : canaries.files)
        for (const std::string& name : swapped)
            if (f.first == "c:\\zarvo\\spare\\" + name) EXPECT_EQ(ReadFileBytes(Join(kFolder, name)), f.second) << name;
}

// The sweep opens what it lists without following links: a listed file moved away and put
// back as a link to itself loses at most the link; the file stays where it went.
TEST_F(RemovalSafety, AFileSwappedForALinkAfterTheListingStays) {
    MakeFolders("c:\\zarvo\\keep");

    std::vector<std::string> swapped = RemoveWhileSwapping([](const std::string& name) {
        MoveFileExA(Join(kFolder, name).c_str(), ("c:\\zarvo\\keep\\" + name).c_str(), 0);
        MakeFileLink(kFolder, name, "../keep/" + name);
    });

    for (const std::string& name : swapped) {
        RemoveFileLink(kFolder, name);
        EXPECT_EQ(ReadFileBytes("c:\\zarvo\\keep\\" + name), "listed " + name) << "the link's target";
    }
}

namespace {

std::vector<std::string> gEvents;
KnownFolderPathFn gRealQuery;

HRESULT WINAPI WatchedQuery(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path) {
    gEvents.push_back("known folder");
    return gRealQuery(id, flags, token, path);
}

void WatchedPause(DWORD milliseconds) {
    RecordPause(milliseconds);
    gEvents.push_back("pause");
}

}  // namespace

// The known folders are looked up once per removal, before its passes: the passes check only
// what can change (each file, through its own handle).
TEST_F(RemovalSafety, TheKnownFoldersAreLookedUpOnceBeforeThePasses) {
    PutProductFiles(kFolder);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    gEvents.clear();
    gRealQuery = KnownFolderQuery;
    KnownFolderQuery = WatchedQuery;
    Pause = WatchedPause;

    RemovalRun run = RunRemoval();

    KnownFolderQuery = gRealQuery;
    EXPECT_EQ(BoxTexts(run.boxes), std::vector<std::string>{kSuccess});
    EXPECT_FALSE(FolderExists(kFolder));
    auto firstPause = std::find(gEvents.begin(), gEvents.end(), "pause");
    ASSERT_NE(firstPause, gEvents.begin()) << "the judgement asked for no known folder at all";
    EXPECT_EQ(std::find(firstPause, gEvents.end(), "known folder"), gEvents.end())
        << "a known folder was looked up again during the passes";
}
