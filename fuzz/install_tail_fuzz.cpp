// Fuzzes the install procedure's reading of the command-line tail (record path and install
// folder) with arbitrary tails, inner NULs included, by characters of code page 932 and of a
// single-byte code page, without repeating the split itself; and checks that install and
// removal never disagree on a folder: what the install takes, it records so that the removal
// reads back the same folder and judges it the same, and it refuses only what the rules say.
#include <stdint.h>
#include <string.h>

#include "base/dyn_string.h"
#include "base/folder_shape.h"
#include "base/record_text.h"
#include "code_page_walk.h"
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

static void CheckSplit(const uint8_t* data, size_t size, const LeadBytes& lead) {
    const DynString tail(reinterpret_cast<const char*>(data), size);
    DynString recordPath("left over"), installFolder("left over");
    SplitInstallTail(tail, recordPath, installFolder, lead);

    // The exact split is the table test's to pin down; here, what holds for every tail:
    // both results name something, nothing is left over from before, nothing is invented,
    // and the two parts never overlap.
    FUZZ_CHECK(!recordPath.empty() && !installFolder.empty());
    DynString againRecord, againFolder("x y\\");
    SplitInstallTail(tail, againRecord, againFolder, lead);
    FUZZ_CHECK(againRecord == recordPath && againFolder == installFolder);

    const bool ownRecord = recordPath != kDefaultRecordPath;
    const bool ownFolder = installFolder != kDefaultInstallFolder;
    // A record path of its own is a piece of the tail, and only a tail with a blank names one.
    if (ownRecord) FUZZ_CHECK(Within(tail, recordPath) && HasBlank(tail));
    if (ownFolder) FUZZ_CHECK(Within(tail, installFolder));
    if (ownRecord && ownFolder) FUZZ_CHECK(recordPath.size() + 1 + installFolder.size() <= tail.size());

    // Install and removal never disagree on a folder. The install takes only folders whose
    // text the removal does not refuse; the record it writes for one of them reads back,
    // within the bytes the reader looks at, as the same folder, judged the same. Of the
    // folders the removal takes, the install refuses those deeper than a removal can hold and
    // those with a level that Windows trims, and no others.
    RemovalScope scope = ScopeOfFolderText(installFolder.data(), installFolder.size(), lead);
    const bool installable = IsInstallableFolder(installFolder.data(), installFolder.size(), lead);
    if (installable) FUZZ_CHECK(scope != RemoveNothing);
    if (scope != RemoveNothing) {
        const bool tooDeep = FolderLevelCount(installFolder.data(), installFolder.size(), lead) > kMostFolderLevels;
        FUZZ_CHECK(installable == (!tooDeep && !EndsALevelInDotOrBlank(installFolder.data(), installFolder.size(), lead)));
    }
    if (installable) {
        DynString record = RecordText(installFolder);
        FUZZ_CHECK(record.size() <= kRecordReadLimit);
        DynString readBack;
        FUZZ_CHECK(ParseRecord(record.data(), record.size(), readBack) && readBack == installFolder);
        FUZZ_CHECK(ScopeOfFolderText(readBack.data(), readBack.size(), lead) == scope);
    }
}

// The wide tail is split by the same rule: the bytes widened one to one split exactly where a
// single-byte code page splits them.
static void CheckWideSplit(const uint8_t* data, size_t size) {
    wchar_t* wide = new wchar_t[size ? size : 1];
    for (size_t i = 0; i < size; ++i) wide[i] = data[i];
    const TailParts w = FindTailParts(wide, size, [](size_t i) { return i + 1; });
    const char* bytes = reinterpret_cast<const char*>(data);
    const LeadBytes& single = kFuzzTables[1];
    const TailParts a = FindTailParts(bytes, size, [&](size_t i) { return i + CharLength(bytes, i, size, single); });
    FUZZ_CHECK(w.recordFrom == a.recordFrom && w.recordTo == a.recordTo);
    FUZZ_CHECK(w.folderFrom == a.folderFrom && w.folderTo == a.folderTo);
    FUZZ_CHECK(w.recordFrom <= w.recordTo && w.recordTo <= size && w.folderFrom <= w.folderTo && w.folderTo <= size);
    delete[] wide;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const LeadBytes& lead : kFuzzTables) CheckSplit(data, size, lead);
    CheckWideSplit(data, size);
    return 0;
}
