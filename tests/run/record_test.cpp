// The installation record: written at the start of the record file, read back up to its
// carriage return; on real files in the sandbox's second drive.
#include <gtest/gtest.h>

#include <string>

#include "base/record_text.h"
#include "fs/file_services.h"
#include "fs/protection.h"
#include "run/record.h"
#include "support/dyn_text.h"
#include "support/sandbox.h"

namespace {

const std::string kFolder = "t:\\rectest";
const std::string kRecord = kFolder + "\\record.dat";

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
        int n = 0;
        EXPECT_NE(OpenRecord(error, Dyn(kRecord), &n), kRecordRefused);
        RecordBefore before;
        WriteRecord(error, n, Dyn(installFolder), before);
        CloseFile(error, n);
    }
    // The folder the record names, or "<none>".
    std::string Read() {
        RecordCopy copy = ReadRecordCopy(error, Dyn(kRecord));
        DynString folder("left over");
        bool found = copy.state == kRecordRead && ParseRecord(copy.bytes.data(), copy.bytes.size(), folder);
        if (copy.state == kRecordRead && !found) EXPECT_TRUE(folder.empty());
        return found ? Std(folder) : "<none>";
    }
    ErrorState error = {};
};

}  // namespace

TEST_F(Record, IsTheFolderAndOneCarriageReturn) {
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

TEST_F(Record, AnAbsentRecordFileHasNoFolderAndIsNotMade) {
    EXPECT_EQ(ReadRecordCopy(error, Dyn(kRecord)).state, kRecordAbsent);
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(error.number, 0);
}

// A record that is there but can't be read is not taken for one that names no folder.
TEST_F(Record, ARecordThatIsThereButCantBeReadIsUnreadableAndUnchanged) {
    const std::string bytes = "c:\\zarvo\\quorbel\r";
    const struct {
        const char* what;
        DWORD share;  // of another program's handle; 0 for none
        bool folder;  // a folder stands at the record's path
    } cases[] = {
        {"held without sharing", 0, false},
        {"held by a program that lets others delete it only", FILE_SHARE_DELETE, false},
        {"held by a writer that lets others read", FILE_SHARE_READ | FILE_SHARE_DELETE, false},
        {"a folder", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(kRecord);
        if (c.folder) {
            MakeFolders(kRecord);
        } else {
            WriteFileBytes(kRecord, bytes);
        }
        HANDLE other = c.folder ? INVALID_HANDLE_VALUE
                                : CreateFileA(kRecord.c_str(), GENERIC_READ | GENERIC_WRITE, c.share, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
        ASSERT_TRUE(c.folder || other != INVALID_HANDLE_VALUE);
        RecordCopy copy = ReadRecordCopy(error, Dyn(kRecord));
        EXPECT_EQ(copy.state, kRecordUnreadable);
        EXPECT_FALSE(DeleteRecordIfUnchanged(error, Dyn(kRecord), copy));
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        if (!c.folder) EXPECT_EQ(ReadFileBytes(kRecord), bytes);
    }
    RemoveTree(kRecord);
    // One its user may not read.
    WriteFileBytes(kRecord, bytes);
    LockFile(kFolder, "record.dat", true);
    EXPECT_EQ(ReadRecordCopy(error, Dyn(kRecord)).state, kRecordUnreadable);
    LockFile(kFolder, "record.dat", false);
    EXPECT_EQ(ReadFileBytes(kRecord), bytes);
}

// The record goes through the handle that reads it again, and only while it starts with the
// bytes the removal judged.
TEST_F(Record, ARecordIsDeletedOnlyWhileItIsUnchanged) {
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\rold tail");
    RecordCopy copy = ReadRecordCopy(error, Dyn(kRecord));
    ASSERT_EQ(copy.state, kRecordRead);
    EXPECT_EQ(Std(copy.bytes), "c:\\zarvo\\quorbel\rold tail");

    WriteFileBytes(kRecord, "c:\\zarvo\\other\r");
    EXPECT_FALSE(DeleteRecordIfUnchanged(error, Dyn(kRecord), copy));
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\zarvo\\other\r");

    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\rold tail");
    EXPECT_TRUE(DeleteRecordIfUnchanged(error, Dyn(kRecord), copy));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_FALSE(DeleteRecordIfUnchanged(error, Dyn(kRecord), copy)) << "nothing left to delete";
}

TEST_F(Record, ARecordFileHeldByAnotherProgramFailsTheWriteWith52) {
    WriteFileBytes(kRecord, "c:\\old\r");
    HANDLE other = CreateFileA(kRecord.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    int n = 0;
    EXPECT_EQ(OpenRecord(error, Dyn(kRecord), &n), kRecordNotOpened);
    EXPECT_NE(error.number, 0);
    error = {};
    RecordBefore before;
    WriteRecord(error, n, "c:\\zarvo\\quorbel", before);
    EXPECT_EQ(error.number, 52);
    CloseHandle(other);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\old\r");
}

TEST_F(Record, AReadOnlyRecordIsReadButNotWritten) {
    WriteFileBytes(kRecord, "c:\\old\r");
    ASSERT_TRUE(SetFileAttributesA(kRecord.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Read(), "c:\\old");
    EXPECT_EQ(error.number, 0);
    // Nor deleted by a removal: the system refuses.
    EXPECT_FALSE(DeleteRecordIfUnchanged(error, Dyn(kRecord), ReadRecordCopy(error, Dyn(kRecord))));
    error = {};
    Write("c:\\zarvo\\quorbel");
    EXPECT_EQ(error.number, 70);
    EXPECT_EQ(ReadFileBytes(kRecord), "c:\\old\r");
}

// The record is written only into a plain file of its own at its path. A second name of another
// file, or a link (whose target may be missing: it would be made there), is refused before
// anything is written or made, and what it leads to stays as it was.
TEST_F(Record, ALinkOrASecondNameIsNeverOpenedForWriting) {
    const std::string target = kFolder + "\\elsewhere\\notes.txt";
    const struct {
        const char* what;
        bool hardLink;
        const char* linkTo;  // relative to kFolder
    } cases[] = {
        {"a second name of a file elsewhere", true, nullptr},
        {"a link to a file elsewhere", false, "elsewhere/notes.txt"},
        {"a link to a file beside it", false, "beside.dat"},
        {"a link whose target is missing", false, "elsewhere/missing.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CanarySet canaries;
        canaries.Plant(target, FILE_ATTRIBUTE_HIDDEN);
        canaries.Plant(kFolder + "\\beside.dat");
        if (c.hardLink)
            ASSERT_TRUE(CreateHardLinkA(kRecord.c_str(), target.c_str(), nullptr));
        else
            MakeFileLink(kFolder, "record.dat", c.linkTo);
        const std::string permissions = DaclText(target);
        // Elevated, a record found there is protected: never one that leads elsewhere.
        bool (*realElevation)() = ElevationQuery;
        ElevationQuery = [] { return true; };
        int n = 0;
        EXPECT_EQ(OpenRecord(error, Dyn(kRecord), &n), kRecordRefused);
        ElevationQuery = realElevation;
        EXPECT_EQ(DaclText(target), permissions);
        EXPECT_EQ(SystemHandle(n), INVALID_HANDLE_VALUE) << "left closed";
        RemoveFileLink(kFolder, "record.dat");
        canaries.ExpectIntact();
        EXPECT_FALSE(FileExists(kFolder + "\\elsewhere\\missing.txt")) << "nothing made through the link";
        RemoveTree(kRecord);
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(kFolder + "\\elsewhere");
    }
    // The path's own file, by another spelling, is the record.
    WriteFileBytes(kRecord, "");
    int n = 0;
    EXPECT_EQ(OpenRecord(error, Dyn("T:/RECTEST/Record.DAT"), &n), kRecordOpened);
    CloseFile(error, n);
}

// The record is made or written only in the folder its path names, reached without a link, and
// only under a name a file can have in full: a link at any level above it, a device, a stream
// after a colon, a name Windows trims or a path the system would be handed cut short would all
// reach another file. Nor is a folder at its path (anyone may make one where they may make
// folders) a record that can't be opened yet. Refused before anything is opened or made; what
// is there stays.
TEST_F(Record, ARecordBelowALinkOrNamedAsNoFileIsRefused) {
    const std::string elsewhere = kFolder + "\\elsewhere";
    CanarySet canaries;
    canaries.Plant(elsewhere + "\\record.dat", FILE_ATTRIBUTE_HIDDEN);
    canaries.Plant(elsewhere + "\\deeper\\record.dat");
    canaries.Plant(kFolder + "\\folder.dat\\inside.txt");
    MakeFolderLink(kFolder, "linked", "elsewhere");
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"its folder is a link", kFolder + "\\linked\\record.dat"},
        {"a level above it is a link", kFolder + "\\linked\\deeper\\record.dat"},
        {"a new record below a link", kFolder + "\\linked\\new.dat"},
        {"a folder", kFolder + "\\folder.dat"},
        {"a device", kFolder + "\\CON"},
        {"a stream", kRecord + ":stream"},
        {"a name Windows trims", kRecord + "."},
        {"a path the system would get cut", kFolder + "\\" + std::string(256 - kFolder.size() - 5, 'r') + ".dat"},
    };
    const std::vector<std::string> before = FolderEntries(kFolder), beforeElsewhere = FolderEntries(elsewhere);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int n = 0;
        EXPECT_EQ(OpenRecord(error, Dyn(c.path), &n), kRecordRefused);
        EXPECT_EQ(SystemHandle(n), INVALID_HANDLE_VALUE) << "left closed";
        EXPECT_EQ(FolderEntries(kFolder), before) << "nothing made";
        EXPECT_EQ(FolderEntries(elsewhere), beforeElsewhere) << "nothing made behind the link";
        canaries.ExpectIntact();
    }
    RemoveFolderLink(kFolder, "linked");
}

// A run that refuses after writing its record puts the file back as it was: a file it made is
// empty again, an older record (here longer, there shorter) has its bytes and length again.
TEST_F(Record, ARecordWrittenIsPutBackAsItWas) {
    const std::string folder = "c:\\zarvo\\quorbel";
    for (const char* earlier : {static_cast<const char*>(nullptr), "c:\\an older, longer record\rand more",
                                "c:\\x\r"}) {
        SCOPED_TRACE(earlier ? earlier : "no file");
        RemoveTree(kRecord);
        if (earlier) WriteFileBytes(kRecord, earlier);
        int n = 0;
        ASSERT_EQ(OpenRecord(error, Dyn(kRecord), &n), kRecordOpened);
        RecordBefore before;
        WriteRecord(error, n, Dyn(folder), before);
        EXPECT_EQ(error.number, 0);
        PutRecordBack(n, before);
        CloseFile(error, n);
        bool exists = false;
        EXPECT_EQ(ReadFileBytes(kRecord, &exists), earlier ? earlier : "");
        EXPECT_TRUE(exists);
    }
}
