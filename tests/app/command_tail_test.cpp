#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "app/command_tail.h"

struct TailCase {
    const char* commandLine;
    const char* tail;
};

TEST(CommandTail, FollowsTheProgramName) {
    const TailCase cases[] = {
        {"\"c:\\zarvo\\temp\\QBinstaller100.exe\"   abc def", "abc def"},
        {"QBinstaller100.exe abc", "abc"},
        {"\"c:\\zarvo\\temp\\QBinstaller100.exe\"", ""},
        {"  abc", "abc"},
        {"QBinstaller100.exe\tabc", "\tabc"},
        {"", ""},
        {"QBinstaller100.exe", ""},
        {"\"c:\\no closing quote abc", ""},
        {"\"a b\"c d", "c d"},                       // the tail starts right after the quote
        {"prog  \"x y\"\t z  ", "\"x y\"\t z  "},    // kept as typed
        {"prog\x01rest", "\x01rest"},
        {"\"\" tail", "tail"},
    };
    for (const TailCase& c : cases) {
        EXPECT_STREQ(CommandTailStart(c.commandLine), c.tail) << "command line [" << c.commandLine << "]";
        // The wide command line by the same rule, to the same character.
        std::wstring wide(c.commandLine, c.commandLine + strlen(c.commandLine));
        EXPECT_EQ(CommandTailStart(wide.c_str()) - wide.c_str(), CommandTailStart(c.commandLine) - c.commandLine)
            << "command line [" << c.commandLine << "]";
    }
    // Characters beyond ASCII are no blanks, in the name or in the tail.
    EXPECT_STREQ(CommandTailStart(L"Q\u00E9.exe c:\\zarvo\\\uFF44ocs"), L"c:\\zarvo\\\uFF44ocs");
    EXPECT_STREQ(CommandTailStart(static_cast<const wchar_t*>(nullptr)), L"");
}

TEST(CommandTail, IsAlwaysASuffixOfTheCommandLine) {
    const char* lines[] = {"a", "\"", "\"\"", " ", "a ", "\"a\"", "\t", "a\tb"};
    for (const char* line : lines) {
        const char* tail = CommandTailStart(line);
        EXPECT_GE(tail, line);
        EXPECT_LE(tail, line + strlen(line));
    }
    EXPECT_STREQ(CommandTailStart(static_cast<const char*>(nullptr)), "");
}
