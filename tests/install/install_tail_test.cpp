// How the install procedure reads its command-line tail.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "install/install_tail.h"
#include "support/code_pages.h"

namespace {

struct TailCase {
    std::string tail;
    std::string recordPath;
    std::string installFolder;
};

const TailCase kTailCases[] = {
    {"", "c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel"},
    {"d:\\apps\\", "c:\\quorbelregistry.dat", "d:\\apps"},
    {"d:\\apps\\\\", "c:\\quorbelregistry.dat", "d:\\apps\\"},  // only one backslash goes
    {"\\", "c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel"},    // nothing left: the default
    {"r.dat d:\\apps", "r.dat", "d:\\apps"},
    {"r.dat d:\\my apps\\x y", "r.dat", "d:\\my apps\\x y"},    // the rest, blanks included
    {"r.dat  d:\\apps", "r.dat", " d:\\apps"},                   // only the first blank splits
    {"r.dat ", "r.dat", "c:\\zarvo\\quorbel"},
    {"\"r.dat d:\\apps\"", "r.dat", "d:\\apps"},                 // a blank inside quotes splits
    {"\"d:\\apps\\quorbel", "c:\\quorbelregistry.dat", "d:\\apps\\quorbe"},  // last character lost
    {"\"d:\\apps\\\"", "c:\\quorbelregistry.dat", "d:\\apps"},
    {"\"", "c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel"},
    {"\"\"", "c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel"},
};

void ExpectSplit(const TailCase& c, const LeadBytes& lead) {
    DynString record("stale"), folder("stale");
    SplitInstallTail(DynString(c.tail.data(), c.tail.size()), record, folder, lead);
    EXPECT_EQ(std::string(record.data(), record.size()), c.recordPath) << "tail [" << c.tail << "]";
    EXPECT_EQ(std::string(folder.data(), folder.size()), c.installFolder) << "tail [" << c.tail << "]";
}

}  // namespace

TEST(InstallTail, SplitsIntoRecordPathAndInstallFolder) {
    for (const TailCase& c : kTailCases) {
        ExpectSplit(c, SingleByteLeadBytes());
        ExpectSplit(c, Cp932LeadBytes());  // one-byte characters only: the same in code page 932
    }
}

// In code page 932, "ソ" is 0x83 0x5C: a folder that ends in it ends in no backslash, and a
// tail that ends in it loses the whole character to the quote rule.
TEST(InstallTail, DoubleByteCharactersAreNeverCutInTwo) {
    const std::string so = "\x83\x5C", jp = std::string("c:\\") + kSofutoCp932;
    const struct {
        TailCase cp932, single;
    } cases[] = {
        {{"c:\\" + so, "c:\\quorbelregistry.dat", "c:\\" + so},
         {"c:\\" + so, "c:\\quorbelregistry.dat", "c:\\\x83"}},
        {{"c:\\" + so + "\\", "c:\\quorbelregistry.dat", "c:\\" + so},
         {"c:\\" + so + "\\", "c:\\quorbelregistry.dat", "c:\\" + so}},
        {{"r.dat " + jp + "\\quorbel\\", "r.dat", jp + "\\quorbel"},
         {"r.dat " + jp + "\\quorbel\\", "r.dat", jp + "\\quorbel"}},
        {{"\"" + jp + "\\" + so, "c:\\quorbelregistry.dat", jp},
         {"\"" + jp + "\\" + so, "c:\\quorbelregistry.dat", jp + "\\\x83"}},
        {{"\"" + so, "c:\\quorbelregistry.dat", "c:\\zarvo\\quorbel"},
         {"\"" + so, "c:\\quorbelregistry.dat", "\x83"}},
    };
    for (const auto& c : cases) {
        ExpectSplit(c.cp932, Cp932LeadBytes());
        ExpectSplit(c.single, SingleByteLeadBytes());
    }
}

// The wide tail is split by the same rule, a character at a time: a character beyond ASCII is
// never a blank, a quote or a backslash.
TEST(InstallTail, TheWideTailSplitsByTheSameRule) {
    auto wideParts = [](const std::wstring& tail) {
        TailParts p = FindTailParts(tail.data(), tail.size(), [](size_t i) { return i + 1; });
        return std::make_pair(tail.substr(p.recordFrom, p.recordTo - p.recordFrom),
                              tail.substr(p.folderFrom, p.folderTo - p.folderFrom));
    };
    for (const TailCase& c : kTailCases) {
        DynString record, folder;
        SplitInstallTail(DynString(c.tail.data(), c.tail.size()), record, folder, SingleByteLeadBytes());
        auto parts = wideParts(std::wstring(c.tail.begin(), c.tail.end()));
        auto orDefault = [](const std::wstring& part, const char* fallback) {
            return part.empty() ? std::string(fallback) : std::string(part.begin(), part.end());
        };
        EXPECT_EQ(orDefault(parts.first, kDefaultRecordPath), record.c_str()) << "tail [" << c.tail << "]";
        EXPECT_EQ(orDefault(parts.second, kDefaultInstallFolder), folder.c_str()) << "tail [" << c.tail << "]";
    }
    auto parts = wideParts(L"\"r\x0142.dat c:\\zarvo\\\xFF44ocs\\\"");
    EXPECT_EQ(parts.first, L"r\x0142.dat");
    EXPECT_EQ(parts.second, L"c:\\zarvo\\\xFF44ocs");
}
