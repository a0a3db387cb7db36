// Fuzzes the install procedure's reading of the command-line tail (record path and
// install folder) with arbitrary tails, inner NULs included.
#include <stdint.h>
#include <string.h>

#include "base/dyn_string.h"
#include "fuzz_check.h"
#include "install/install_tail.h"

static bool Contains(const DynString& text, const DynString& part, size_t at) {
    return at + part.size() <= text.size() && memcmp(text.data() + at, part.data(), part.size()) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DynString tail(reinterpret_cast<const char*>(data), size);
    DynString recordPath("left over"), installFolder("left over");
    SplitInstallTail(tail, recordPath, installFolder);

    // What is split: the tail, or the tail without its first and last character when it
    // begins with a double quote.
    DynString text = tail;
    if (size > 0 && data[0] == '"') text = tail.Sub(1, size >= 2 ? size - 2 : 0);
    size_t blank = 0;
    while (blank < text.size() && text[blank] != ' ') ++blank;
    const bool split = blank < text.size();

    // Both results always name something.
    FUZZ_CHECK(!recordPath.empty() && !installFolder.empty());

    // The record path is the text before the first blank, or the default.
    if (split && blank > 0) FUZZ_CHECK(recordPath == text.Sub(0, blank));
    else FUZZ_CHECK(recordPath == kDefaultRecordPath);

    // The install folder is the rest, without one trailing backslash, or the default.
    const DynString rest = split ? text.Sub(blank + 1) : text;
    size_t kept = rest.EndsWith('\\') ? rest.size() - 1 : rest.size();
    if (kept == 0) {
        FUZZ_CHECK(installFolder == kDefaultInstallFolder);
    } else {
        FUZZ_CHECK(installFolder.size() == kept && Contains(rest, installFolder, 0));
        // It is a suffix of the tail less at most the removed characters: nothing added.
        FUZZ_CHECK(installFolder.size() <= tail.size());
    }
    // The folder ends in a backslash only when the text ended in two of them: exactly one
    // is removed, never more.
    if (installFolder.EndsWith('\\'))
        FUZZ_CHECK(rest.size() >= 2 && rest[rest.size() - 1] == '\\' && rest[rest.size() - 2] == '\\');
    return 0;
}
