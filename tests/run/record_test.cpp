// The installation record: written at the start of the record file, read back up to its
// carriage return; on real files in the sandbox's second drive.
#include <gtest/gtest.h>

#include <string>

#include "base/product.h"
#include "fs/file_services.h"
#include "run/record.h"
#include "support/sandbox.h"

namespace {

const std::string kFolder = "t:\\rectest";
const std::string kRecord = kFolder + "\\record.dat";

DynString Dyn(const std::string& s) { return DynString(s.data(), s.size()); }
std::string Std(const DynString& s) { return std::string(s.data(), s.size()); }

class Record : public ::testing::Test {
protected:
    void SetUp() override {
        EnterSandboxDrive();
        RemoveTree(kFolder);
        MakeFolders(kFolder);
    }
    void TearDown() override {
        CloseAllFiles();
        RemoveTree(kFolder);
    }
    void Write(const std::string& installFolder) {
        int n = OpenRecord(error, Dyn(kRecord));
        WriteRecord(error, n, Dyn(installFolder));
        CloseFile(error, n);
    }
    // The folder ReadRecord finds, or "<none>".
    std::string Read() {
        DynString folder("left over");
        bool found = ReadRecord(error, Dyn(kRecord), folder);
        if (!found) EXPECT_TRUE(folder.empty());
        return found ? Std(folder) : "<none>";
    }
    ErrorState error = {};
};

}  // namespace

TEST_F(Record, IsTheFolderAndOneCarriageReturn) {
    EXPECT_STREQ(kDefaultRecordPath, "c:\\quorbelregistry.dat");
    Write("c:\\zarvo\\quorbel");
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\quorbel\r");
    EXPECT_EQ(Read(), "c:\\zarvo\\quorbel");
    EXPECT_EQ(error.number, 0);
}

TEST_F(Record, ANewRecordOverALongerOneChangesOnlyItsOwnBytes) {
    const std::string older = "c:\\a much longer older folder\rand more\r\n";
    WriteFileBytes(kRecord, older);
    Write("d:\\apps");
    EXPECT_EQ(ReadFileBytes(kRecord), "d:\\apps\r" + older.substr(8));
    EXPECT_EQ(Read(), "d:\\apps");
    EXPECT_EQ(error.number, 0);
}

TEST_F(Record, AFolderOf254BytesIsReadBackWhole) {
    std::string folder = "c:\\" + std::string(251, 'q');
    Write(folder);
    EXPECT_EQ(Read(), folder);
    // One byte more and the carriage return lies beyond what the reader looks at: a folder
    // cut short would name one that was never installed, so there is no record at all.
    Write(folder + "q");
    EXPECT_EQ(Read(), "<none>");
    EXPECT_EQ(error.number, 0);
}

TEST_F(Record, WithoutACarriageReturnThereIsNoFolder) {
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel");
    EXPECT_EQ(Read(), "<none>");
    WriteFileBytes(kRecord, "");
    EXPECT_EQ(Read(), "<none>");
    WriteFileBytes(kRecord, "\rc:\\zarvo\\quorbel");
    EXPECT_EQ(Read(), "");  // a record, of an empty folder
    EXPECT_EQ(error.number, 0);
}

TEST_F(Record, AnAbsentRecordFileHasNoFolder) {
    EXPECT_EQ(Read(), "<none>");
    EXPECT_EQ(error.number, 0);
}

TEST_F(Record, ARecordFileHeldByAnotherProgramFailsTheWriteWith52) {
    WriteFileBytes(kRecord, "c:\\old\r");
    HANDLE other = CreateFileA(kRecord.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    int n = OpenRecord(error, Dyn(kRecord));
    EXPECT_NE(error.number, 0);
    error = {};
    WriteRecord(error, n, "c:\\zarvo\\quorbel");
    EXPECT_EQ(error.number, 52);
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\old\r");
}

TEST_F(Record, AReadOnlyRecordIsReadButNotWritten) {
    WriteFileBytes(kRecord, "c:\\old\r");
    ASSERT_TRUE(SetFileAttributesA(kRecord.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Read(), "c:\\old");
    EXPECT_EQ(error.number, 0);
    Write("c:\\zarvo\\quorbel");
    EXPECT_EQ(error.number, 70);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\old\r");
}
