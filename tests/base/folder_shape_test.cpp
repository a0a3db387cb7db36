// How much of a recorded folder may go, judged from its text alone.
#include <gtest/gtest.h>

#include <string>

#include "base/folder_shape.h"
#include "support/code_pages.h"

namespace {

struct ShapeCase {
    std::string folder;
    RemovalScope scope;
};

const LeadBytes kCp932 = Cp932LeadBytes();
const LeadBytes kSingle = SingleByteLeadBytes();

}  // namespace

// Texts of one-byte characters only: judged alike in every code page.
TEST(FolderShape, OnlyAbsoluteFoldersOfPlainLevelsMayBeEmptied) {
    const ShapeCase cases[] = {
        {"c:\\zarvo\\quorbel", RemoveWholeFolder},
        {"C:\\zarvo\\quorbel\\", RemoveWholeFolder},  // one trailing separator
        {"t:\\apps\\quorbel v1.00", RemoveWholeFolder},
        {"c:/zarvo/quorbel", RemoveWholeFolder},
        {"\\\\server\\share\\quorbel", RemoveWholeFolder},
        {"c:\\.hidden\\x", RemoveWholeFolder},
        // Roots: the product's files by name, nothing else.
        {"t:", RemoveProductFilesOnly},
        {"t:\\", RemoveProductFilesOnly},
        {"T:/", RemoveProductFilesOnly},
        {"\\\\server\\share", RemoveProductFilesOnly},
        {"\\\\server\\share\\", RemoveProductFilesOnly},
        // No safe place at all.
        {"", RemoveNothing},
        {"zarvo\\quorbel", RemoveNothing},        // relative to the current folder
        {"\\zarvo\\quorbel", RemoveNothing},      // the current drive's root
        {"\\", RemoveNothing},
        {"c:zarvo", RemoveNothing},               // relative to the drive's current folder
        {"1:\\zarvo", RemoveNothing},
        {"\\\\server", RemoveNothing},
        {"\\\\server\\", RemoveNothing},
        {"\\\\?\\c:\\zarvo", RemoveNothing},      // device paths
        {"\\\\.\\c:\\zarvo", RemoveNothing},
        {"\\\\?\\UNC\\server\\share\\x", RemoveNothing},
        {"c:\\zarvo\\..", RemoveNothing},         // levels that climb or stay
        {"c:\\zarvo\\quorbel\\..\\..", RemoveNothing},
        {"c:\\.", RemoveNothing},
        {"c:\\zarvo\\. .", RemoveNothing},        // trimmed to "." by Windows
        {"c:\\...", RemoveNothing},
        {"c:\\\\zarvo", RemoveNothing},           // empty levels
        {"c:\\zarvo\\\\quorbel", RemoveNothing},
        {"c:\\zarvo\\\\", RemoveNothing},
        {"c:\\\\", RemoveNothing},
        {"c:\\zarvo\\*", RemoveNothing},          // characters no name holds
        {"c:\\zar?o", RemoveNothing},
        {"c:\\zarvo:stream", RemoveNothing},
        {"c:\\zarvo\\a|b", RemoveNothing},
        {"c:\\zarvo\\\"x\"", RemoveNothing},
        {std::string("c:\\zarvo\0x", 10), RemoveNothing},
        {"c:\\zarvo\tx", RemoveNothing},
        {" c:\\zarvo", RemoveNothing},
        // Control bytes: a carriage return reads back as the record's end, naming c:\zarvo\q.
        {"c:\\zarvo\\q\rx", RemoveNothing},
        {"c:\\zarvo\\q\r", RemoveNothing},
        {"c:\\zarvo\\q\n", RemoveNothing},
        {"c:\\zarvo\x1F", RemoveNothing},
        {"\\\\server\\share\\\x01", RemoveNothing},
        // Folder + "\QBinstaller100.exe" must fit in 255 bytes, or the product's paths are cut.
        {"c:\\" + std::string(233, 'l'), RemoveWholeFolder},
        {"c:\\" + std::string(234, 'l'), RemoveNothing},
        {"c:\\zarvo\\" + std::string(227, 'l'), RemoveWholeFolder},
        {"c:\\zarvo\\" + std::string(228, 'l'), RemoveNothing},
        {"\\\\server\\" + std::string(240, 's'), RemoveNothing},
        {"\\\\server\\" + std::string(228, 's'), RemoveNothing},
        {"\\\\server\\" + std::string(227, 's'), RemoveProductFilesOnly},
    };
    for (const ShapeCase& c : cases) {
        EXPECT_EQ(ScopeOfFolderText(c.folder.data(), c.folder.size(), kSingle), c.scope) << "[" << c.folder << "]";
        EXPECT_EQ(ScopeOfFolderText(c.folder.data(), c.folder.size(), kCp932), c.scope) << "[" << c.folder << "]";
    }
    EXPECT_EQ(ScopeOfFolderText(nullptr, 0, kSingle), RemoveNothing);
}

// Code page 932's characters whose second byte is "\" or "|": "ソ" (0x83 0x5C), "ポ"
// (0x83 0x7C). Judged by characters they are plain; judged by bytes they would split levels
// or hold "|".
TEST(FolderShape, DoubleByteCharactersAreWholeCharacters) {
    const std::string so = "\x83\x5C", po = "\x83\x7C";
    const struct {
        std::string folder;
        RemovalScope cp932, single;
    } cases[] = {
        {"c:\\" + std::string(kSofutoCp932) + "\\quorbel", RemoveWholeFolder, RemoveWholeFolder},
        {"c:\\" + so, RemoveWholeFolder, RemoveWholeFolder},      // by bytes: a level 0x83, then "\"
        {"c:\\x\\" + so + "\\", RemoveWholeFolder, RemoveNothing},  // by bytes: two separators
        {"c:\\" + so + "\\y", RemoveWholeFolder, RemoveNothing},  // by bytes: an empty level
        {"c:\\" + po, RemoveWholeFolder, RemoveNothing},          // by bytes: a "|"
        {"c:\\zarvo\\\x83", RemoveNothing, RemoveWholeFolder},    // a character cut in two
        {"c:\\" + so + "\x83", RemoveNothing, RemoveWholeFolder},
        {"c:" + so, RemoveNothing, RemoveNothing},                 // drive-relative: "c:ソ"
        {so + "\\x", RemoveNothing, RemoveNothing},                 // relative
        {"\\\\" + so + "\\share", RemoveProductFilesOnly, RemoveNothing},
        {"c:\\" + so + "\r", RemoveNothing, RemoveNothing},
        {"c:\\" + std::string(231, 'l') + so, RemoveWholeFolder, RemoveWholeFolder},
        {"c:\\" + std::string(232, 'l') + so, RemoveNothing, RemoveNothing},  // lengths in bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScopeOfFolderText(c.folder.data(), c.folder.size(), kCp932), c.cp932) << "[" << c.folder << "]";
        EXPECT_EQ(ScopeOfFolderText(c.folder.data(), c.folder.size(), kSingle), c.single) << "[" << c.folder << "]";
    }
}

TEST(FolderShape, RootLength) {
    const struct {
        const char* folder;
        size_t root;
    } cases[] = {
        {"c:", 2}, {"c:\\", 2}, {"c:\\zarvo", 2}, {"\\\\srv\\share", 11}, {"\\\\srv\\share\\x", 11},
        {"c:x", 0}, {"zarvo", 0}, {"\\zarvo", 0}, {"\\\\srv", 0}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderRootLength(c.folder, strlen(c.folder), kSingle), c.root) << c.folder;
    // A share on a server named "ソ": by bytes, the server's name ends in "\" and the share's
    // is empty.
    EXPECT_EQ(FolderRootLength("\\\\\x83\x5C\\s", 6, kCp932), 6u);
    EXPECT_EQ(FolderRootLength("\\\\\x83\x5C\\s", 6, kSingle), 0u);
    EXPECT_EQ(FolderRootLength("c:\x83\x5C", 4, kCp932), 0u);
}

// A removal holds every level of its folder, the root included, and no more than 64: the
// install takes no folder deeper than that.
TEST(FolderShape, LevelsAndTheDeepestInstallableFolder) {
    const struct {
        std::string folder;
        size_t levels;
    } cases[] = {
        {"c:", 1}, {"c:\\", 1}, {"c:\\zarvo", 2}, {"c:\\zarvo\\quorbel\\", 3}, {"c:/zarvo/quorbel", 3},
        {"\\\\srv\\share", 1}, {"\\\\srv\\share\\x\\y", 3}, {"zarvo\\quorbel", 0}, {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderLevelCount(c.folder.data(), c.folder.size(), kSingle), c.levels) << c.folder;
    // "c:" followed by 63 levels is 64 in all; the 64th level below the root is one too many.
    std::string deepest = "c:";
    for (int i = 0; i < 63; ++i) deepest += "\\d";
    EXPECT_EQ(FolderLevelCount(deepest.data(), deepest.size(), kSingle), 64u);
    EXPECT_TRUE(IsInstallableFolder(deepest.data(), deepest.size(), kSingle));
    std::string deeper = deepest + "\\d";
    EXPECT_EQ(ScopeOfFolderText(deeper.data(), deeper.size(), kSingle), RemoveWholeFolder);
    EXPECT_FALSE(IsInstallableFolder(deeper.data(), deeper.size(), kSingle));
    // In code page 932 a "\" that is the second byte of "ソ" divides no levels.
    const std::string so = "\x83\x5C";
    const std::string folder = "c:\\" + so + "x\\y";
    EXPECT_EQ(FolderLevelCount(folder.data(), folder.size(), kCp932), 3u);
    EXPECT_EQ(FolderLevelCount(folder.data(), folder.size(), kSingle), 4u);
}

// Windows trims a dot or a blank at a level's end: "c:\zarvo\quorbel " would be made as
// "c:\zarvo\quorbel" and recorded as the other. The removal still reads such a record (an
// older install may have written it); the install takes none.
TEST(FolderShape, TheInstallRefusesALevelThatWindowsTrims) {
    const struct {
        std::string folder;
        bool installable;
    } cases[] = {
        {"c:\\zarvo\\quorbel ", false}, {"c:\\zarvo\\quorbel.", false}, {"c:\\zarvo\\quorbel. ", false},
        {"c:\\zarvo \\quorbel", false}, {"c:\\zarvo.\\quorbel", false}, {"c:\\zarvo\\quorbel.\\", false},
        {"c:\\zarvo\\quor bel", true},  {"c:\\zarvo\\.quorbel", true},  {"c:\\zarvo\\quorbel.1", true},
        {"c:\\zarvo\\quorbel\\", true}, {"c:\\", true},                 {"\\\\srv\\share\\q ", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsInstallableFolder(c.folder.data(), c.folder.size(), kSingle), c.installable) << c.folder;
        EXPECT_NE(ScopeOfFolderText(c.folder.data(), c.folder.size(), kSingle), RemoveNothing) << c.folder;
    }
}
