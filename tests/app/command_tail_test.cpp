#include <gtest/gtest.h>

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
    for (const TailCase& c : cases)
        EXPECT_STREQ(CommandTailStart(c.commandLine), c.tail) << "command line [" << c.commandLine << "]";
}

TEST(CommandTail, IsAlwaysASuffixOfTheCommandLine) {
    const char* lines[] = {"a", "\"", "\"\"", " ", "a ", "\"a\"", "\t", "a\tb"};
    for (const char* line : lines) {
        const char* tail = CommandTailStart(line);
        EXPECT_GE(tail, line);
        EXPECT_LE(tail, line + strlen(line));
    }
    EXPECT_STREQ(CommandTailStart(nullptr), "");
}
