// The two string tables that the procedures share.
#include <gtest/gtest.h>

#include <string>

#include "run/globals.h"

namespace {

std::string Std(const DynString& s) { return std::string(s.data(), s.size()); }

}  // namespace

TEST(StringTables, HoldEmptyStringsThatGrowAndAreFreedWithTheTables) {
    CreateStringTables();
    ASSERT_TRUE(FileNames && FilePaths);
    ASSERT_NE(FileNames, FilePaths);
    for (int i = 0; i < kTableSize; ++i) {
        EXPECT_TRUE(FileNames[i].empty() && FilePaths[i].empty()) << i;
        EXPECT_STREQ(FileNames[i].c_str(), "") << i;
        FileNames[i] = std::string(40 + i, 'a' + i).c_str();
        FilePaths[i] = "c:\\x\\" + FileNames[i];
        FilePaths[i] += FilePaths[i];  // grows out of its own text
    }
    for (int i = 0; i < kTableSize; ++i) {
        const std::string name(40 + i, 'a' + i);
        EXPECT_EQ(Std(FileNames[i]), name) << i;
        EXPECT_EQ(Std(FilePaths[i]), "c:\\x\\" + name + "c:\\x\\" + name) << i;
    }

    // Created again, the tables start empty.
    CreateStringTables();
    ASSERT_TRUE(FileNames && FilePaths);
    for (int i = 0; i < kTableSize; ++i) EXPECT_TRUE(FileNames[i].empty() && FilePaths[i].empty()) << i;

    ReleaseStringTables();
    EXPECT_EQ(FileNames, nullptr);
    EXPECT_EQ(FilePaths, nullptr);
    ReleaseStringTables();  // nothing left to free
}

TEST(StringTables, AreMadeWhenAProcedureAsksAndFindsNone) {
    ReleaseStringTables();
    ASSERT_TRUE(StringTablesReady());
    ASSERT_TRUE(FileNames && FilePaths);
    DynString* names = FileNames;
    FileNames[0] = "kept";
    EXPECT_TRUE(StringTablesReady());
    EXPECT_EQ(FileNames, names) << "tables already there are kept";
    EXPECT_EQ(Std(FileNames[0]), "kept");
    ReleaseStringTables();
}
