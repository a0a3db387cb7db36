// How the install procedure reads its command-line tail.
#include <gtest/gtest.h>

#include "install/install_tail.h"

struct TailCase {
    const char* tail;
    const char* recordPath;
    const char* installFolder;
};

static const TailCase kTailCases[] = {
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

TEST(InstallTail, SplitsIntoRecordPathAndInstallFolder) {
    for (const TailCase& c : kTailCases) {
        DynString record("stale"), folder("stale");
        SplitInstallTail(DynString(c.tail), record, folder);
        EXPECT_STREQ(record.c_str(), c.recordPath) << "tail [" << c.tail << "]";
        EXPECT_STREQ(folder.c_str(), c.installFolder) << "tail [" << c.tail << "]";
    }
}
