// Fuzzes the install procedure's reading of the command-line tail (record path and
// install folder) with arbitrary tails, inner NULs included. The exact split is the table
// test's to pin down; here, what holds for every tail: nothing is invented, nothing is
// left over from before, and the two parts never overlap.
#include <stdint.h>
#include <string.h>

#include "base/dyn_string.h"
#include "fuzz_check.h"
#include "install/install_tail.h"

// Whether part occurs somewhere in text.
static bool Within(const DynString& text, const DynString& part) {
    if (part.size() > text.size()) return false;
    for (size_t at = 0; at + part.size() <= text.size(); ++at)
        if (memcmp(text.data() + at, part.data(), part.size()) == 0) return true;
    return false;
}

static bool HasBlank(const DynString& text) { return memchr(text.data(), ' ', text.size()) != nullptr; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DynString tail(reinterpret_cast<const char*>(data), size);
    DynString recordPath("left over"), installFolder("left over");
    SplitInstallTail(tail, recordPath, installFolder);

    // Both results always name something, and the same tail always gives the same two,
    // whatever the strings held before.
    FUZZ_CHECK(!recordPath.empty() && !installFolder.empty());
    DynString againRecord, againFolder("x y\\");
    SplitInstallTail(tail, againRecord, againFolder);
    FUZZ_CHECK(againRecord == recordPath && againFolder == installFolder);

    const bool ownRecord = recordPath != kDefaultRecordPath;
    const bool ownFolder = installFolder != kDefaultInstallFolder;

    // The record path is the default or a piece of the tail without a blank; a tail
    // without a blank names no record path.
    if (ownRecord) {
        FUZZ_CHECK(Within(tail, recordPath));
        FUZZ_CHECK(!HasBlank(recordPath));
        FUZZ_CHECK(HasBlank(tail));
    }
    // The install folder is the default or a piece of the tail.
    if (ownFolder) FUZZ_CHECK(Within(tail, installFolder));
    // Both from the tail: they lie apart, a blank between them.
    if (ownRecord && ownFolder) FUZZ_CHECK(recordPath.size() + 1 + installFolder.size() <= tail.size());
    return 0;
}
