// The folders that hand-overs leave in the temp folder when they can't have them deleted at
// the next start of Windows: a later hand-over deletes those that no process uses any more,
// and nothing else.
#include <gtest/gtest.h>

#include <string>

#include "removal_fixture.h"
#include "uninstall/handover.h"

using namespace removal;

namespace {

std::string Temp() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

class HandOverFolders : public RemovalTest {
protected:
    void TearDown() override {
        for (const std::string& name : FolderEntries(Temp()))
            if (name.compare(0, prefix.size(), prefix) == 0 || name == "qb-target") {
                RemoveFolderLink(Temp(), name);
                RemoveTree(Temp() + name);
            }
        RemovalTest::TearDown();
    }
    const std::string prefix = kHandOverFolderPrefix;
};

}  // namespace

TEST_F(HandOverFolders, EarlierOnesThatNoProcessUsesGoAndNothingElse) {
    const std::string temp = Temp();
    const std::string program = "QBinstaller100.exe";
    const std::string left = temp + prefix + "11-1";       // left by an earlier hand-over
    const std::string empty = temp + prefix + "11-2";
    const std::string running = temp + prefix + "11-3";    // its program still runs
    const std::string shared = temp + prefix + "11-4";     // holds a file of someone else's
    const std::string named = temp + prefix + "x1";        // not a name a hand-over gives
    const std::string fileNamed = temp + prefix + "11-6";  // a file, not a folder
    Canaries canaries;
    MakeFolders(left);
    WriteFileBytes(Join(left, program), "left over");
    MakeFolders(empty);
    canaries.Plant(Join(running, program));
    canaries.Plant(Join(shared, program));
    canaries.Plant(Join(shared, "notes.txt"));
    canaries.Plant(Join(named, program));
    canaries.Plant(fileNamed);
    canaries.Plant(Join(temp + "qb-target", program));
    MakeFolderLink(temp, prefix + "11-5", "qb-target");  // a link to a folder elsewhere
    // A running program's file can't be deleted; a handle that shares no delete stands for it.
    HANDLE runs = CreateFileA(Join(running, program).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(runs, INVALID_HANDLE_VALUE);

    DeleteEarlierHandOvers();

    CloseHandle(runs);
    EXPECT_FALSE(FolderExists(left));
    EXPECT_FALSE(FolderExists(empty));
    canaries.ExpectIntact();
    EXPECT_TRUE(IsReparsePoint(temp + prefix + "11-5"));

    // Once nothing runs it, the next hand-over takes that one too.
    DeleteEarlierHandOvers();
    EXPECT_FALSE(FolderExists(running));
    EXPECT_TRUE(FolderExists(shared));
}
