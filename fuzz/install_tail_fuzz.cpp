// Fuzzes the install procedure's reading of the command-line tail (record path and install
// folder) with arbitrary tails, inner NULs included, by characters of code page 932 and of a
// single-byte code page; and checks that install and removal never disagree on a folder: what
// the install takes, it records so that the removal reads back the same folder and judges it
// the same.
#include <stdint.h>
#include <string.h>

#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "base/record_text.h"
#include "code_page_walk.h"
#include "fuzz_check.h"
#include "install/install_tail.h"

static bool Contains(const DynString& text, const DynString& part, size_t at) {
    return at + part.size() <= text.size() && memcmp(text.data() + at, part.data(), part.size()) == 0;
}

// Where the last character of text starts, by the property's own walk.
static size_t LastStart(const DynString& text, const bool* second) {
    size_t n = text.size();
    if (n == 0) return 0;
    return second[n - 1] ? n - 2 : n - 1;
}

static void CheckSplit(const uint8_t* data, size_t size, const LeadBytes& lead) {
    const DynString tail(reinterpret_cast<const char*>(data), size);
    DynString recordPath("left over"), installFolder("left over");
    SplitInstallTail(tail, recordPath, installFolder, lead);

    bool* second = new bool[size ? size : 1];
    // What is split: the tail, or the tail without its first and last character when it
    // begins with a double quote.
    MarkSecondBytes(tail.data(), size, lead, second);
    DynString text = tail;
    if (size > 0 && data[0] == '"') {
        size_t last = LastStart(tail, second);
        text = last > 0 ? tail.Sub(1, last - 1) : DynString();
    }
    MarkSecondBytes(text.data(), text.size(), lead, second);
    size_t blank = 0;
    while (blank < text.size() && (second[blank] || text[blank] != ' ')) ++blank;
    const bool split = blank < text.size();

    // Both results always name something.
    FUZZ_CHECK(!recordPath.empty() && !installFolder.empty());

    // The record path is the text before the first blank, or the default.
    if (split && blank > 0) FUZZ_CHECK(recordPath == text.Sub(0, blank));
    else FUZZ_CHECK(recordPath == kDefaultRecordPath);

    // The install folder is the rest, without one trailing backslash character, or the
    // default. A "\" that is the second byte of a character stays.
    const DynString rest = split ? text.Sub(blank + 1) : text;
    MarkSecondBytes(rest.data(), rest.size(), lead, second);
    size_t n = rest.size();
    bool backslash = n > 0 && rest[n - 1] == '\\' && !second[n - 1];
    size_t kept = backslash ? n - 1 : n;
    if (kept == 0) {
        FUZZ_CHECK(installFolder == kDefaultInstallFolder);
    } else {
        FUZZ_CHECK(installFolder.size() == kept && Contains(rest, installFolder, 0));
        // It is a suffix of the tail less at most the removed characters: nothing added.
        FUZZ_CHECK(installFolder.size() <= tail.size());
        // Never a character cut in two by what was taken away.
        if (kept < n) FUZZ_CHECK(!second[kept]);
    }
    delete[] second;

    // Install and removal never disagree on a folder. The install takes exactly the folders
    // whose text the removal does not refuse; the record it writes for one of them reads back,
    // within the bytes the reader looks at, as the same folder, judged the same.
    RemovalScope scope = ScopeOfFolderText(installFolder.data(), installFolder.size(), lead);
    FUZZ_CHECK(IsInstallableFolder(installFolder.data(), installFolder.size(), lead) == (scope != RemoveNothing));
    if (scope != RemoveNothing) {
        DynString record = RecordText(installFolder);
        FUZZ_CHECK(record.size() <= kRecordReadLimit);
        DynString readBack;
        FUZZ_CHECK(ParseRecord(record.data(), record.size(), readBack) && readBack == installFolder);
        FUZZ_CHECK(ScopeOfFolderText(readBack.data(), readBack.size(), lead) == scope);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const LeadBytes& lead : kFuzzTables) CheckSplit(data, size, lead);
    return 0;
}
