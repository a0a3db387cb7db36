// Raw files by number, folders and copies, on real files in the sandbox.
#include "fs_fixture.h"

TEST_F(FileServices, OpenCreatesAMissingFileAndAnEmptyReadIsNoError) {
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("new.dat")), n);
    ExpectNoError();
    EXPECT_TRUE(FileExists(At("new.dat")));
    EXPECT_EQ(Std(ReadBytes(error, n, 255)), "");
    ExpectNoError();
    CloseFile(error, n);
    ExpectNoError();
    bool exists = false;
    EXPECT_EQ(ReadFileBytes(At("new.dat"), &exists), "");
    EXPECT_TRUE(exists);
}

TEST_F(FileServices, AReadOnlyFileOpensForReadingAndTheWriteFailsWith70) {
    WriteFileBytes(At("ro.dat"), "hello");
    ASSERT_TRUE(SetFileAttributesA(At("ro.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("ro.dat")), n);
    ExpectNoError();
    EXPECT_EQ(Std(ReadBytes(error, n, 255)), "hello");
    ExpectNoError();
    WriteBytes(error, n, "XY");
    EXPECT_EQ(error.number, 70);
    CloseFile(error, n);
    EXPECT_EQ(ReadFileBytes(At("ro.dat")), "hello");
}

TEST_F(FileServices, WritingOverAnExistingFileKeepsWhatFollows) {
    WriteFileBytes(At("twenty.dat"), "ABCDEFGHIJKLMNOPQRST");
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("twenty.dat")), n);
    WriteBytes(error, n, "12345");
    // Reads and writes go on from where the last one stopped; short at the end, then empty.
    EXPECT_EQ(Std(ReadBytes(error, n, 3)), "FGH");
    EXPECT_EQ(Std(ReadBytes(error, n, 100)), "IJKLMNOPQRST");
    EXPECT_EQ(Std(ReadBytes(error, n, 100)), "");
    ExpectNoError();
    CloseFile(error, n);
    EXPECT_EQ(ReadFileBytes(At("twenty.dat")), "12345FGHIJKLMNOPQRST");
}

TEST_F(FileServices, ReadsAndWritesBytesAsTheyAre) {
    const std::string bytes("a\0b\r\n\xff", 6);
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("bytes.dat")), n);
    WriteBytes(error, n, Dyn(bytes));
    CloseFile(error, n);
    EXPECT_EQ(ReadFileBytes(At("bytes.dat")), bytes);
    OpenRaw(error, Dyn(At("bytes.dat")), n);
    EXPECT_EQ(Std(ReadBytes(error, n, 255)), bytes);
    ExpectNoError();
}

TEST_F(FileServices, AFileHeldExclusivelyElsewhereIsNotOpened) {
    WriteFileBytes(At("held.dat"), "kept");
    HANDLE other = HoldExclusively(At("held.dat"));
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("held.dat")), n);
    EXPECT_EQ(error.number, 70);  // sharing violation
    // The number is not open: what the install later reports at its record write.
    error = {};
    WriteBytes(error, n, "new");
    EXPECT_EQ(error.number, 52);
    error = {};
    EXPECT_EQ(Std(ReadBytes(error, n, 10)), "");
    EXPECT_EQ(error.number, 52);
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(At("held.dat")), "kept");
}

TEST_F(FileServices, OpenRefusesBadPathsAndNumbers) {
    WriteFileBytes(At("a1.dat"), "x");
    int open = FreeFileNumber();
    OpenRaw(error, Dyn(At("a1.dat")), open);
    ASSERT_EQ(error.number, 0);
    struct Case {
        std::string path;
        int number;
        int expected;
    } cases[] = {
        {"", 100, 64},
        {At("*.dat"), 100, 64},
        {At("a?.dat"), 100, 64},
        {At("other.dat"), -1, 52},
        {At("other.dat"), open, 55},
    };
    for (const Case& c : cases) {
        error = {};
        OpenRaw(error, Dyn(c.path), c.number);
        EXPECT_EQ(error.number, c.expected) << "[" << c.path << "] as " << c.number;
    }
    EXPECT_FALSE(FileExists(At("other.dat")));
    // The file that was open stays open and usable.
    error = {};
    EXPECT_EQ(Std(ReadBytes(error, open, 10)), "x");
    ExpectNoError();
}

TEST_F(FileServices, FreeNumbersCountOnAndWrapPastTheOpenOnes) {
    OpenRaw(error, Dyn(At("one.dat")), 1);
    ASSERT_EQ(error.number, 0);
    int n = FreeFileNumber();
    int next = FreeFileNumber();
    EXPECT_EQ(next, n == 32767 ? 2 : n + 1);
    n = next;
    for (int i = 0; i < 32767 && n != 32767; ++i) n = FreeFileNumber();
    ASSERT_EQ(n, 32767);
    EXPECT_EQ(FreeFileNumber(), 2);  // from 32767 back to 1, which is open
    CloseFile(error, 1);
    EXPECT_EQ(FreeFileNumber(), 3);  // a closed number is not taken again from the bottom
    ExpectNoError();
}

TEST_F(FileServices, ClosingANumberThatIsNotOpenRecordsNothing) {
    int n = FreeFileNumber();
    CloseFile(error, n);
    OpenRaw(error, Dyn(At("c.dat")), n);
    CloseFile(error, n);
    CloseFile(error, n);
    ExpectNoError();
}

TEST_F(FileServices, ASuccessLeavesAnEarlierErrorInPlace) {
    error.stepLabel = 1025;
    DeleteFiles(error, Dyn(At("missing.txt")));
    ASSERT_EQ(error.number, 53);
    error.stepLabel = 1100;
    MakeFolder(error, Dyn(At("made")));
    WriteFileBytes(At("src.txt"), "s");
    CopyOneFile(error, Dyn(At("src.txt")), Dyn(At("made\\dst.txt")));
    EXPECT_TRUE(FileExists(At("made\\dst.txt")));
    EXPECT_EQ(error.number, 53);
    EXPECT_TRUE(error.pending);
    EXPECT_EQ(error.failedStep, 1025);
}

TEST_F(FileServices, TheErrorModeIsRestoredAfterEveryCall) {
    UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    MakeFolder(error, Dyn(At("m")));
    MakeFolder(error, Dyn(At("m")));
    DeleteFiles(error, Dyn(At("m\\")));
    CopyOneFile(error, Dyn(At("none")), Dyn(At("m\\none")));
    int n = FreeFileNumber();
    OpenRaw(error, Dyn(At("e.dat")), n);
    WriteBytes(error, n, "e");
    CloseFile(error, n);
    RemoveFolder(error, Dyn(At("m")));
    EXPECT_EQ(SetErrorMode(before), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
}

TEST_F(FileServices, MakeFolder) {
    MakeFolder(error, Dyn(At("new")));
    ExpectNoError();
    EXPECT_TRUE(FolderExists(At("new")));
    struct Case {
        const char* name;
        int expected;
    } cases[] = {
        {"new", 75},              // already there
        {"absent\\child", 76},    // one level only: the parent must exist
        {"wild*", 76},
        {"wild?", 76},
    };
    for (const Case& c : cases) {
        error = {};
        MakeFolder(error, Dyn(At(c.name)));
        EXPECT_EQ(error.number, c.expected) << c.name;
    }
    EXPECT_EQ(FolderEntries(kScratch), std::vector<std::string>{"new"});
}

TEST_F(FileServices, RemoveFolder) {
    MakeFolders(At("empty"));
    RemoveFolder(error, Dyn(At("empty")));
    ExpectNoError();
    EXPECT_FALSE(FolderExists(At("empty")));

    MakeFolders(At("hiding"));
    WriteFileBytes(At("hiding\\h.txt"), "h");
    ASSERT_TRUE(SetFileAttributesA(At("hiding\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    MakeFolders(At("e1"));
    struct Case {
        const char* name;
        int expected;
    } cases[] = {
        {"hiding", 75},   // not empty
        {"absent", 76},   // a missing folder is a path not found
        {"e*", 76},
        {"e?", 76},
    };
    for (const Case& c : cases) {
        error = {};
        RemoveFolder(error, Dyn(At(c.name)));
        EXPECT_EQ(error.number, c.expected) << c.name;
    }
    EXPECT_TRUE(FileExists(At("hiding\\h.txt")));
    EXPECT_TRUE(FolderExists(At("e1")));
}

TEST_F(FileServices, CopyReplacesAnExistingTarget) {
    WriteFileBytes(At("from.txt"), "new content");
    WriteFileBytes(At("to.txt"), "older and longer content");
    CopyOneFile(error, Dyn(At("from.txt")), Dyn(At("to.txt")));
    ExpectNoError();
    EXPECT_EQ(ReadFileBytes(At("to.txt")), "new content");
    EXPECT_EQ(ReadFileBytes(At("from.txt")), "new content");
}

TEST_F(FileServices, CopyFailures) {
    WriteFileBytes(At("from.txt"), "new");
    WriteFileBytes(At("held.txt"), "held");
    WriteFileBytes(At("ro.txt"), "ro");
    ASSERT_TRUE(SetFileAttributesA(At("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE other = HoldExclusively(At("held.txt"));
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    struct Case {
        std::string from, to;
        int expected;
    } cases[] = {
        {At("absent.txt"), At("x.txt"), 53},
        {At("nofolder\\from.txt"), At("x.txt"), 76},
        {At("from.txt"), At("nofolder\\x.txt"), 76},
        {At("from.txt"), At("held.txt"), 70},
        {At("from.txt"), At("ro.txt"), 70},
    };
    for (const Case& c : cases) {
        error = {};
        CopyOneFile(error, Dyn(c.from), Dyn(c.to));
        EXPECT_EQ(error.number, c.expected) << c.from << " -> " << c.to;
    }
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(At("held.txt")), "held");
    EXPECT_EQ(ReadFileBytes(At("ro.txt")), "ro");
    EXPECT_FALSE(FileExists(At("x.txt")));
}
