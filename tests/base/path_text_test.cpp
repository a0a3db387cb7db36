// The path text rules of the file services.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "base/path_text.h"

TEST(PathText, CharactersNoNameHolds) {
    const std::string never("\\/:*?\"<>|\0\x01\t\r\x1f", 14);
    for (char c : never) EXPECT_TRUE(NameCannotHold(c)) << static_cast<int>(c);
    const std::string held("aZ09 .-_~'()[]{}$%&+,;=@^`\x7f\x80\xe9\xff");
    for (char c : held) EXPECT_FALSE(NameCannotHold(c)) << static_cast<int>(c);
}

TEST(PathText, SinglePlainNames) {
    for (const char* name : {"a", "qb.exe", "QBmanual100.PDF", "a b.txt", ".hidden", "...", "x..y", "\xE9t\xE9"})
        EXPECT_TRUE(IsSinglePlainName(name)) << name;
    for (const char* name : {"", ".", "..", "..\\x.txt", "a\\b", "a/b", "c:x", "*.*", "a?", "a\"b", "<", ">",
                             "a|b", "tab\there"})
        EXPECT_FALSE(IsSinglePlainName(name)) << name;
}

TEST(PathText, FolderPartAndWildcards) {
    struct Case {
        const char* path;
        size_t folder;
    } cases[] = {
        {"c:\\zarvo\\quorbel\\*.*", 17}, {"c:*.*", 2}, {"x.txt", 0}, {"", 0},
        {"\\qb.exe", 1}, {"c:/dir/a.txt", 7}, {"c:\\d\\", 5},
    };
    for (const Case& c : cases) EXPECT_EQ(FolderPartLength(c.path, strlen(c.path)), c.folder) << c.path;
    EXPECT_TRUE(HasWildcard("a*", 2));
    EXPECT_TRUE(HasWildcard("?", 1));
    EXPECT_FALSE(HasWildcard("c:\\a.b", 6));
    EXPECT_FALSE(HasWildcard("a*", 1));  // only the given length counts
}
