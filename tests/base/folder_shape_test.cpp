// How much of a recorded folder may go, judged from its text alone.
#include <gtest/gtest.h>

#include <string>

#include "base/folder_shape.h"

namespace {

struct ShapeCase {
    std::string folder;
    RemovalScope scope;
};

}  // namespace

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
        // A share root so long that a product file's path would be cut short.
        {"\\\\server\\" + std::string(240, 's'), RemoveNothing},
        {"\\\\server\\" + std::string(228, 's'), RemoveProductFilesOnly},
    };
    for (const ShapeCase& c : cases)
        EXPECT_EQ(ScopeOfFolderText(c.folder.data(), c.folder.size()), c.scope) << "[" << c.folder << "]";
    EXPECT_EQ(ScopeOfFolderText(nullptr, 0), RemoveNothing);
}

TEST(FolderShape, RootLength) {
    const struct {
        const char* folder;
        size_t root;
    } cases[] = {
        {"c:", 2}, {"c:\\", 2}, {"c:\\zarvo", 2}, {"\\\\srv\\share", 11}, {"\\\\srv\\share\\x", 11},
        {"c:x", 0}, {"zarvo", 0}, {"\\zarvo", 0}, {"\\\\srv", 0}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderRootLength(c.folder, strlen(c.folder)), c.root) << c.folder;
}
