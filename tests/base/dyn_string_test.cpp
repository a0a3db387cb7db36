// The dynamic string: growth, also out of its own text; clamped substrings; assignment.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/dyn_string.h"

namespace {

std::string Std(const DynString& s) { return std::string(s.data(), s.size()); }

// A string of n distinct-looking bytes, NULs included.
std::string Bytes(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(i * 7 % 251);
    return s;
}

}  // namespace

TEST(DynString, EmptyIsAValidValueEverywhere) {
    const DynString empty, fromNull(nullptr), fromNothing("", 0);
    for (const DynString* s : {&empty, &fromNull, &fromNothing}) {
        EXPECT_TRUE(s->empty());
        EXPECT_EQ(s->size(), 0u);
        EXPECT_STREQ(s->c_str(), "");
        EXPECT_FALSE(s->EndsWith(0));
        EXPECT_TRUE(s->Sub(0).empty());
        EXPECT_TRUE(*s == "");
    }
}

TEST(DynString, KeepsEveryByteAndEndsWithANul) {
    for (size_t n : {1u, 15u, 16u, 17u, 100u, 1000u}) {
        const std::string bytes = Bytes(n);
        DynString s(bytes.data(), bytes.size());
        EXPECT_EQ(Std(s), bytes) << n;
        EXPECT_EQ(s.c_str()[n], 0) << n;
        EXPECT_EQ(s.back(), bytes.back()) << n;
    }
    DynString s("ab");
    s += 'c';
    s += DynString("d\0e", 3);
    s += "f";
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(Std(s), std::string("abcd\0ef", 7));
    EXPECT_EQ(Std("<" + s + ">"), std::string("<abcd\0ef>", 9));
}

// Appending a string's own text (or part of it) while it grows must copy the text from
// where it is now, not from where it was before the string moved.
TEST(DynString, GrowsOutOfItsOwnText) {
    for (size_t n = 1; n <= 40; ++n) {
        const std::string bytes = Bytes(n);
        DynString whole(bytes.data(), n);
        whole += whole;
        EXPECT_EQ(Std(whole), bytes + bytes) << n;

        DynString part(bytes.data(), n);
        part.Append(part.data() + n / 2, n - n / 2);
        EXPECT_EQ(Std(part), bytes + bytes.substr(n / 2)) << n;

        DynString text(bytes.c_str());  // up to the first NUL
        const std::string before = Std(text);
        text += text.c_str();
        EXPECT_EQ(Std(text), before + before) << n;
    }
    DynString doubling("x");
    for (int i = 0; i < 12; ++i) doubling += doubling;
    EXPECT_EQ(Std(doubling), std::string(4096, 'x'));
}

TEST(DynString, SubIsClampedToTheText) {
    const DynString s("abcdef");
    struct Case {
        size_t from, n;
        const char* expected;
    } cases[] = {
        {0, 6, "abcdef"}, {0, 3, "abc"}, {2, 2, "cd"}, {4, 100, "ef"}, {5, 1, "f"},
        {6, 1, ""},       {7, 0, ""},    {100, 5, ""}, {2, 0, ""},    {0, static_cast<size_t>(-1), "abcdef"},
    };
    for (const Case& c : cases) EXPECT_EQ(Std(s.Sub(c.from, c.n)), c.expected) << c.from << "," << c.n;
    EXPECT_EQ(Std(s.Sub(3)), "def");
    EXPECT_EQ(Std(s), "abcdef") << "unchanged";
}

TEST(DynString, AssignmentCopiesOrMovesTheText) {
    DynString a("a longer text than the other one");
    const DynString b("short");
    a = b;
    EXPECT_EQ(Std(a), "short");
    EXPECT_EQ(Std(b), "short");
    a += "!";
    EXPECT_EQ(Std(b), "short") << "a copy owns its own text";

    a = a;  // to itself
    EXPECT_EQ(Std(a), "short!");
    a = DynString();
    EXPECT_TRUE(a.empty());
    a = "again";
    EXPECT_EQ(Std(a), "again");

    DynString moved(std::move(a));
    EXPECT_EQ(Std(moved), "again");
    EXPECT_TRUE(a.empty());
    EXPECT_STREQ(a.c_str(), "");
    DynString target("old");
    target = std::move(moved);
    EXPECT_EQ(Std(target), "again");
    EXPECT_TRUE(moved.empty());
    target = target.Sub(2);  // from a part of itself
    EXPECT_EQ(Std(target), "ain");
    DynString& self = target;
    target = std::move(self);
    EXPECT_EQ(Std(target), "ain");
}

TEST(DynString, TruncateClearAndCompare) {
    DynString s("c:\\zarvo\\");
    EXPECT_TRUE(s.EndsWith('\\'));
    s.Truncate(s.size() - 1);
    EXPECT_EQ(Std(s), "c:\\zarvo");
    EXPECT_FALSE(s.EndsWith('\\'));
    s.Truncate(100);
    EXPECT_EQ(Std(s), "c:\\zarvo") << "nothing to cut";
    EXPECT_TRUE(s == "c:\\zarvo");
    EXPECT_TRUE(s != "c:\\zarvo\\");
    EXPECT_TRUE(DynString("a\0b", 3) != DynString("a\0c", 3));
    EXPECT_TRUE(DynString("a\0b", 3) != "a");
    s.Clear();
    EXPECT_TRUE(s.empty());
    s += "reused";
    EXPECT_EQ(Std(s), "reused");
}
