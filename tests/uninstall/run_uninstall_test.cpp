// The removal on a real uninstaller dialog, with real files in the sandbox: what a
// removal from a sound installation does.
#include <gtest/gtest.h>

#include "removal_fixture.h"

using namespace removal;

namespace {

class Removal : public RemovalTest {};

}  // namespace

TEST_F(Removal, TheProductFilesAFurtherFileAndTheFolderGoAndTheRecordsOldTailIsIgnored) {
    PutProductFiles(kFolder);
    WriteFileBytes(std::string(kFolder) + "\\notes.txt", "the user's own notes");
    // An older, longer record left its tail after the carriage return; it names another
    // folder, which must not be touched.
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\rther\r");
    Canaries canaries;
    canaries.Plant("c:\\zarvo\\quorbelother\\qb.exe");
    canaries.Plant("c:\\zarvo\\quorbelother\\keep.txt");
    canaries.Plant("c:\\zarvo\\beside.txt");

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_TRUE(FolderExists("c:\\zarvo")) << "only the last level goes";
    EXPECT_FALSE(FileExists(kRecord));
    canaries.ExpectIntact();
    EXPECT_EQ(BoxTexts(run), std::vector<std::string>{kSuccess});
    EXPECT_EQ(run.boxes[0].caption, "Quorbel");
    // The status box goes through every pass and keeps the record path at the end.
    EXPECT_EQ(run.statuses, ExpectedStatuses());
    EXPECT_TRUE(run.dialogGone);
    EXPECT_EQ(run.result, 0);
    // The shared tables hold the names and the paths the passes deleted.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(std::string(FileNames[i].c_str()), kProductFiles[i]);
        EXPECT_EQ(std::string(FilePaths[i].c_str()), std::string(kFolder) + "\\" + kProductFiles[i]);
    }
    EXPECT_TRUE(FileNames[5].empty());
    EXPECT_EQ(std::string(FilePaths[5].c_str()), std::string(kFolder) + "\\");
}

TEST_F(Removal, AnAlreadyEmptyFolderIsRemovedAndTheRecordWithIt) {
    MakeFolders(kFolder);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_TRUE(FolderExists("c:\\zarvo"));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run), std::vector<std::string>{kSuccess});
    EXPECT_EQ(run.statuses, ExpectedStatuses());
    EXPECT_EQ(run.result, 0);
}

TEST_F(Removal, ASubfolderOrAHiddenFileKeepsTheFolder) {
    const struct {
        const char* what;
        std::function<void()> put;
        const char* stays;
    } cases[] = {
        {"a subfolder", [] { MakeFolders(std::string(kFolder) + "\\plugins"); }, "plugins"},
        {"a hidden file",
         [] {
             std::string hidden = std::string(kFolder) + "\\desktop.ini";
             WriteFileBytes(hidden, "hidden");
             SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
         },
         "desktop.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSandbox();
        PutProductFiles(kFolder);
        WriteFileBytes(std::string(kFolder) + "\\notes.txt", "plain");
        c.put();
        WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");

        RemovalRun run = RunRemoval();

        EXPECT_EQ(FolderEntries(kFolder), std::vector<std::string>{c.stays}) << "the plain files go";
        EXPECT_FALSE(FileExists(kRecord));
        EXPECT_EQ(BoxTexts(run), std::vector<std::string>{kSuccess});
        EXPECT_EQ(run.result, 0);
    }
}

TEST_F(Removal, ARemovalThatFindsNoStringTablesMakesThemFirst) {
    PutProductFiles(kFolder);
    WriteFileBytes(kRecord, "c:\\zarvo\\quorbel\r");
    ReleaseStringTables();

    RemovalRun run = RunRemoval();

    EXPECT_FALSE(FolderExists(kFolder));
    EXPECT_FALSE(FileExists(kRecord));
    EXPECT_EQ(BoxTexts(run), std::vector<std::string>{kSuccess});
    EXPECT_EQ(run.statuses, ExpectedStatuses());
    ASSERT_TRUE(FileNames && FilePaths);
}
