// The path text rules of the file services, walked by characters of the ANSI code page.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "base/path_text.h"
#include "support/code_pages.h"

namespace {

const LeadBytes kCp932 = Cp932LeadBytes();
const LeadBytes kSingle = SingleByteLeadBytes();

// Both tables, named, for cases that hold under either.
const struct {
    const char* name;
    const LeadBytes& lead;
} kBoth[] = {{"code page 932", kCp932}, {"single-byte", kSingle}};

bool SameTable(const LeadBytes& a, const LeadBytes& b) { return memcmp(a.lead, b.lead, sizeof a.lead) == 0; }

}  // namespace

TEST(PathText, LeadBytesFromTheSystemsRanges) {
    // As the system lists them: pairs of first and last byte, ended by a pair of zeros.
    const unsigned char cp932[12] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0, 0x20, 0x30};
    EXPECT_TRUE(SameTable(LeadBytesOfRanges(cp932, sizeof cp932), kCp932));
    const unsigned char none[12] = {};
    EXPECT_TRUE(SameTable(LeadBytesOfRanges(none, sizeof none), kSingle));
    // Never more than the bytes given.
    EXPECT_TRUE(SameTable(LeadBytesOfRanges(cp932, 3), LeadBytesOfRanges(cp932, 2)));
    const unsigned char all[2] = {0x80, 0xFF};
    LeadBytes high = LeadBytesOfRanges(all, 2);
    EXPECT_TRUE(high.lead[0xFF] && high.lead[0x80] && !high.lead[0x7F]);
}

TEST(PathText, CharactersOfADoubleByteCodePage) {
    const struct {
        std::string text;
        size_t lastStart, cut4;
        bool loneLead, endsInBackslash;
    } cases[] = {
        {"ab\\", 2, 3, false, true},
        {"a\x83\x5C", 1, 3, false, false},            // "aソ": its second byte is no "\"
        {"a\x83\x5C\\", 3, 4, false, true},
        {"ab\x83", 2, 3, true, false},                // cut in two
        {"abc\x83\x5C", 3, 3, false, false},          // a cut at 4 bytes would split "ソ"
        {std::string("a\x83\0", 3), 2, 3, false, false},  // a NUL is never a second byte
        {"\x83\x5C\x83", 2, 3, true, false},
        {"", 0, 0, false, false},
    };
    for (const auto& c : cases) {
        const char* t = c.text.data();
        size_t n = c.text.size();
        EXPECT_EQ(LastCharStart(t, n, kCp932), c.lastStart) << c.text;
        EXPECT_EQ(CutLength(t, n, 4, kCp932), c.cut4) << c.text;
        EXPECT_EQ(EndsInLoneLeadByte(t, n, kCp932), c.loneLead) << c.text;
        EXPECT_EQ(EndsWithChar(t, n, '\\', kCp932), c.endsInBackslash) << c.text;
        // A single-byte code page: every byte is a character.
        EXPECT_EQ(LastCharStart(t, n, kSingle), n ? n - 1 : 0) << c.text;
        EXPECT_EQ(CutLength(t, n, 4, kSingle), n < 4 ? n : 4) << c.text;
        EXPECT_FALSE(EndsInLoneLeadByte(t, n, kSingle)) << c.text;
    }
}

TEST(PathText, CharactersNoNameHolds) {
    const std::string never("\\/:*?\"<>|\0\x01\t\r\x1f", 14);
    for (char c : never) EXPECT_TRUE(NameCannotHold(c)) << static_cast<int>(c);
    const std::string held("aZ09 .-_~'()[]{}$%&+,;=@^`\x7f\x80\xe9\xff");
    for (char c : held) EXPECT_FALSE(NameCannotHold(c)) << static_cast<int>(c);
}

TEST(PathText, SinglePlainNames) {
    for (const auto& table : kBoth) {
        SCOPED_TRACE(table.name);
        for (const char* name : {"a", "qb.exe", "QBmanual100.PDF", "a b.txt", ".hidden", "...", "x..y", "\xE9t\xE9"})
            EXPECT_TRUE(IsSinglePlainName(name, table.lead)) << name;
        for (const char* name : {"", ".", "..", "..\\x.txt", "a\\b", "a/b", "c:x", "*.*", "a?", "a\"b", "<", ">",
                                 "a|b", "tab\there"})
            EXPECT_FALSE(IsSinglePlainName(name, table.lead)) << name;
    }
    // "ソフト.txt" and "ポ": second bytes "\" and "|" are part of their characters.
    const std::string sofuto = std::string(kSofutoCp932) + ".txt";
    for (const char* name : {sofuto.c_str(), "\x83\x7C", "\x83\x5C\x83\x5C"}) {
        EXPECT_TRUE(IsSinglePlainName(name, kCp932)) << name;
        EXPECT_FALSE(IsSinglePlainName(name, kSingle)) << name;
    }
    // A "\" after a whole character is still a separator.
    EXPECT_FALSE(IsSinglePlainName("\x83\x5C\\x", kCp932));
    EXPECT_FALSE(IsSinglePlainName("\x83\x74|", kCp932));
}

TEST(PathText, DeletableNames) {
    const std::string sofuto = std::string(kSofutoCp932) + ".txt";
    const struct {
        const char* name;
        bool cp932, single;
    } cases[] = {
        {"qb.exe", true, true},
        {".hidden", true, true},
        {sofuto.c_str(), true, false},
        {"\x83\x7C.doc", true, false},
        // Windows trims a last dot or space: the delete would reach "a", maybe a hidden file.
        {"a.", false, false},
        {"a ", false, false},
        {"a. .", false, false},
        {"...", false, false},
        {" ", false, false},
        // A name cut in two ends in a lead byte alone.
        {"ab\x83", false, true},
        {"\x83", false, true},
        {"\x83\x5C\x83", false, false},
        {"", false, false},
        {"..\\x.txt", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDeletableName(c.name, kCp932), c.cp932) << "[" << c.name << "]";
        EXPECT_EQ(IsDeletableName(c.name, kSingle), c.single) << "[" << c.name << "]";
    }
}

TEST(PathText, FolderPartAndWildcards) {
    struct Case {
        const char* path;
        size_t folder;
    } cases[] = {
        {"c:\\zarvo\\quorbel\\*.*", 17}, {"c:*.*", 2}, {"x.txt", 0}, {"", 0},
        {"\\qb.exe", 1}, {"c:/dir/a.txt", 7}, {"c:\\d\\", 5},
    };
    for (const auto& table : kBoth)
        for (const Case& c : cases)
            EXPECT_EQ(FolderPartLength(c.path, strlen(c.path), table.lead), c.folder) << table.name << " " << c.path;
    for (const auto& table : kBoth) {
        EXPECT_TRUE(HasWildcard("a*", 2, table.lead));
        EXPECT_TRUE(HasWildcard("?", 1, table.lead));
        EXPECT_FALSE(HasWildcard("c:\\a.b", 6, table.lead));
        EXPECT_FALSE(HasWildcard("a*", 1, table.lead));  // only the given length counts
    }

    // c:\ソフト\ソ.txt: the folder part ends at the last real "\", not inside "ソ".
    const std::string path = std::string("c:\\") + kSofutoCp932 + "\\\x83\x5C.txt";
    EXPECT_EQ(FolderPartLength(path.data(), path.size(), kCp932), 10u);
    EXPECT_EQ(FolderPartLength(path.data(), path.size(), kSingle), 12u);
    EXPECT_EQ(FolderPartLength("c:\x83\x5C", 4, kCp932), 2u);
}

TEST(PathText, ADeleteGoesExactlyToFolderBackslashName) {
    const std::string folder = "c:\\zarvo\\quorbel";
    const std::string jp = std::string("c:\\") + kSofutoCp932 + "\\quorbel";
    const std::string jpName = std::string(kSofutoCp932) + ".txt";
    const std::string longFolder = "c:\\" + std::string(246, 'l');  // + "\qb.exe" is 256 bytes
    const struct {
        const char* what;
        std::string path, folder, name;
        bool cp932, single;
    } cases[] = {
        {"exact", folder + "\\qb.exe", folder, "qb.exe", true, true},
        {"a root", "t:\\qb.exe", "t:", "qb.exe", true, true},
        {"a folder in code page 932", jp + "\\" + jpName, jp, jpName, true, false},
        {"the longest path the delete takes", longFolder + "\\qb.exe", longFolder, "qb.exe", true, true},
        {"one byte more", longFolder + "l\\qb.exe", longFolder + "l", "qb.exe", false, false},
        {"a path that failed to grow", folder, folder, "qb.exe", false, false},
        {"a folder cut back to the drive", "c:", folder, "qb.exe", false, false},
        {"a folder cut back, joined", "c:\\qb.exe", folder, "qb.exe", false, false},
        {"an empty folder", "\\qb.exe", "", "qb.exe", false, false},
        {"another folder", "c:\\zarvo\\quorbeL\\qb.exe", folder, "qb.exe", false, false},
        {"another name", folder + "\\qb.ex", folder, "qb.exe", false, false},
        {"no backslash", folder + "/qb.exe", folder, "qb.exe", false, false},
        {"a name with a way out", folder + "\\..\\x", folder, "..\\x", false, false},
        {"a name Windows trims", folder + "\\qb.", folder, "qb.", false, false},
        {"a NUL inside", std::string("c:\\z\0q\\qb.exe", 13), std::string("c:\\z\0q", 6), "qb.exe", false, false},
        // Joined to a lone lead byte, the "\" would become its second byte: "c:\zソqb.exe".
        {"a folder cut in two", "c:\\z\x83\\qb.exe", "c:\\z\x83", "qb.exe", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsExactDeletePath(c.path.data(), c.path.size(), c.folder.data(), c.folder.size(), c.name.c_str(),
                                    kCp932),
                  c.cp932);
        EXPECT_EQ(IsExactDeletePath(c.path.data(), c.path.size(), c.folder.data(), c.folder.size(), c.name.c_str(),
                                    kSingle),
                  c.single);
    }
    EXPECT_FALSE(IsExactDeletePath(nullptr, 0, "c:", 2, "qb.exe", kSingle));
}
