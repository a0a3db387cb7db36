// Deleting files by name, by pattern and by folder, on real files in the sandbox.
#include "fs_fixture.h"

#include <algorithm>
#include <vector>

#include "fs/held_folder.h"

namespace {

// The names a search on pattern yields, in the order it yields them.
std::vector<std::string> SearchOrder(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void SetAttributes(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
    ASSERT_EQ(GetFileAttributesA(path.c_str()) & attributes, attributes) << path;
}

}  // namespace

TEST_F(FileServices, AFolderPathDeletesItsPlainFilesOnly) {
    MakeFolders(At("d\\sub"));
    for (const char* name : {"a.txt", "b.dat", "noext", "h.txt", "s.txt", "sub\\inner.txt"})
        WriteFileBytes(At("d\\") + name, name);
    SetAttributes(At("d\\h.txt"), FILE_ATTRIBUTE_HIDDEN);
    SetAttributes(At("d\\s.txt"), FILE_ATTRIBUTE_SYSTEM);
    DeleteFiles(error, Dyn(At("d\\")));
    ExpectNoError();
    EXPECT_EQ(FolderEntries(At("d")), (std::vector<std::string>{"h.txt", "s.txt", "sub"}));
    EXPECT_TRUE(FileExists(At("d\\sub\\inner.txt")));
}

TEST_F(FileServices, ADrivePathDeletesThePlainFilesOfThatDrivesCurrentFolder) {
    const std::string folder = "t:\\fstest-drive";
    RemoveTree(folder);
    MakeFolders(folder + "\\sub");
    WriteFileBytes(folder + "\\a.txt", "a");
    WriteFileBytes(folder + "\\sub\\b.txt", "b");
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    DeleteFiles(error, "t:");
    EnterSandboxDrive();
    ExpectNoError();
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"sub"});
    EXPECT_TRUE(FileExists(folder + "\\sub\\b.txt"));
    RemoveTree(folder);
}

TEST_F(FileServices, WildcardsInTheLastPartChooseTheFiles) {
    MakeFolders(At("d"));
    for (const char* name : {"a.txt", "b.txt", "ab.txt", "c.dat"}) WriteFileBytes(At("d\\") + name, name);
    DeleteFiles(error, Dyn(At("d\\?.txt")));
    EXPECT_EQ(FolderEntries(At("d")), (std::vector<std::string>{"ab.txt", "c.dat"}));
    DeleteFiles(error, Dyn(At("d\\*.txt")));
    EXPECT_EQ(FolderEntries(At("d")), std::vector<std::string>{"c.dat"});
    DeleteFiles(error, Dyn(At("d\\c.dat")));
    EXPECT_EQ(FolderEntries(At("d")), std::vector<std::string>{});
    ExpectNoError();
}

TEST_F(FileServices, NothingToDelete) {
    MakeFolders(At("empty"));
    struct Case {
        std::string path;
        int expected;
    } cases[] = {
        {At("missing.txt"), 53},
        {At("nofolder\\x.txt"), 76},
        {At("nofolder\\"), 76},
        {"", 0},
        {At("empty\\"), 0},  // only "." and ".." there, both folders
        {At("empty"), 0},    // the folder itself is no plain file
    };
    for (const Case& c : cases) {
        error = {};
        DeleteFiles(error, Dyn(c.path));
        EXPECT_EQ(error.number, c.expected) << "[" << c.path << "]";
        EXPECT_EQ(error.pending, c.expected != 0) << "[" << c.path << "]";
    }
    EXPECT_TRUE(FolderExists(At("empty")));
}

TEST_F(FileServices, TheFirstFileThatCannotBeDeletedEndsTheDeletion) {
    MakeFolders(At("d"));
    for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt"}) WriteFileBytes(At("d\\") + name, name);
    std::vector<std::string> order = SearchOrder(At("d\\*.txt"));
    ASSERT_EQ(order.size(), 4u);
    SetAttributes(At("d\\" + order[1]), FILE_ATTRIBUTE_READONLY);
    DeleteFiles(error, Dyn(At("d\\*.txt")));
    EXPECT_EQ(error.number, 70);
    EXPECT_FALSE(FileExists(At("d\\" + order[0])));
    for (size_t i = 1; i < order.size(); ++i) EXPECT_TRUE(FileExists(At("d\\" + order[i]))) << order[i];
}

// A full-width "．．＼x.txt" comes back from the ANSI search as "..\x.txt": joined to the
// folder, that would delete c:\fstest\x.txt, a file outside the folder. It is passed over.
TEST_F(FileServices, ANameTheSearchBendsIntoAPathIsNeverDeleted) {
    MakeFolders(At("bf"));
    const std::wstring odd = L"c:\\fstest\\bf\\\xFF0E\xFF0E\xFF3Cx.txt";
    HANDLE h = CreateFileW(odd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the system refuses the full-width name: " << GetLastError();
    CloseHandle(h);
    WriteFileBytes(At("bf\\plain.txt"), "p");
    WriteFileBytes(At("x.txt"), "outside");
    std::vector<std::string> seen = SearchOrder(At("bf\\*.*"));
    ASSERT_NE(std::find(seen.begin(), seen.end(), "..\\x.txt"), seen.end())
        << "the ANSI search does not bend the name here; the case cannot show";

    DeleteFiles(error, Dyn(At("bf\\")));
    ExpectNoError();
    EXPECT_EQ(ReadFileBytes(At("x.txt")), "outside");
    EXPECT_NE(GetFileAttributesW(odd.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FileExists(At("bf\\plain.txt")));
    DeleteFileW(odd.c_str());
}

// "/" separates folders as "\" does: the files are deleted in the folder the pattern names.
TEST_F(FileServices, ASlashSeparatedPatternDeletesInItsOwnFolder) {
    MakeFolders(At("d"));
    WriteFileBytes(At("d\\a.txt"), "inside");
    WriteFileBytes(At("a.txt"), "outside");
    DeleteFiles(error, Dyn(At("d/a.txt")));
    ExpectNoError();
    EXPECT_FALSE(FileExists(At("d\\a.txt")));
    EXPECT_EQ(ReadFileBytes(At("a.txt")), "outside");
}

// A path is cut to 256 characters. A cut that happens to end at a "\" leaves a folder path,
// but the caller named one file below it, never the whole folder.
TEST_F(FileServices, ACutPathNeverWidensToAWholeFolder) {
    MakeFolders(At("w"));
    WriteFileBytes(At("w\\k.t"), "k");  // short enough to be reached through the long path
    std::string path = At("w");
    while (path.size() < 255) path += "\\.";
    ASSERT_EQ(path.size(), 255u);
    path += "\\victim.txt";
    DeleteFiles(error, Dyn(path));
    EXPECT_TRUE(FileExists(At("w\\k.t")));
}

// Windows trims a last dot or space from a name: deleting "x." by name would delete "x", a
// hidden file that the search itself passes over. Such names are never deleted by name, by
// DeleteFiles or by a delete in a held folder.
class TrimmedNames : public FileServices {
protected:
    void SetUp() override {
        FileServices::SetUp();
        MakeFolders(At("trim"));
        WriteFileBytes(At("trim\\x"), "hidden");
        SetAttributes(At("trim\\x"), FILE_ATTRIBUTE_HIDDEN);
        WriteFileBytes(At("trim\\y"), "hidden too");
        SetAttributes(At("trim\\y"), FILE_ATTRIBUTE_HIDDEN);
        // Only the long form of a path keeps the dot and the space.
        for (const wchar_t* name : kTrimmed) {
            HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the system refuses the name: " << GetLastError();
            CloseHandle(h);
        }
        WriteFileBytes(At("trim\\plain.txt"), "p");
        ASSERT_EQ(FolderEntries(At("trim")), (std::vector<std::string>{"plain.txt", "x", "x.", "y", "y "}))
            << "the names are not kept here; the case cannot show";
    }
    void TearDown() override {
        for (const wchar_t* name : kTrimmed) DeleteFileW(name);
        FileServices::TearDown();
    }
    void ExpectHiddenFilesKept() {
        EXPECT_EQ(ReadFileBytes(At("trim\\x")), "hidden");
        EXPECT_EQ(ReadFileBytes(At("trim\\y")), "hidden too");
        EXPECT_EQ(FolderEntries(At("trim")), (std::vector<std::string>{"x", "x.", "y", "y "}));
    }
    static constexpr const wchar_t* kTrimmed[] = {L"\\\\?\\c:\\fstest\\trim\\x.", L"\\\\?\\c:\\fstest\\trim\\y "};
};

TEST_F(TrimmedNames, DeleteFilesPassesThemOver) {
    DeleteFiles(error, Dyn(At("trim\\")));
    ExpectNoError();
    ExpectHiddenFilesKept();
}

TEST_F(TrimmedNames, AHeldFolderRefusesThem) {
    HeldFolder held = {};
    ASSERT_EQ(HoldFolder(Dyn(At("trim")), 2, held), kHeld);
    EXPECT_EQ(DeleteInHeldFolder(error, held, "x.", true), kRefused);
    EXPECT_EQ(DeleteInHeldFolder(error, held, "y ", true), kRefused);
    DeleteEveryPlainFile(error, held, nullptr, 0);
    ReleaseFolder(held);
    ExpectNoError();
    ExpectHiddenFilesKept();
}
