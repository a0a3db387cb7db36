// Fuzzes the judgement of a recorded install folder from its text alone, by characters of
// code page 932 and of a single-byte code page: whatever the record holds, a deletion is
// allowed only inside an absolute folder whose levels are all plain names, free of control
// bytes, whole to its last character, and short enough for every product path to reach the
// system uncut.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/folder_shape.h"
#include "base/product.h"
#include "code_page_walk.h"
#include "fuzz_check.h"

static bool IsSeparatorAt(const char* text, size_t i, const bool* second) {
    return !second[i] && (text[i] == '\\' || text[i] == '/');
}

// True when a level of text[from, end) is empty, or only dots ("." and ".." climb).
static bool HasClimbingOrEmptyLevel(const char* text, size_t from, size_t end, const bool* second) {
    size_t start = from;
    for (size_t i = from; i <= end; ++i) {
        if (i < end && !IsSeparatorAt(text, i, second)) continue;
        size_t n = i - start;
        bool dots = true;
        for (size_t k = start; k < i; ++k) dots = dots && text[k] == '.';
        if (n == 0 || dots) return true;
        start = i + 1;
    }
    return false;
}

static void Check(const uint8_t* data, size_t size, const LeadBytes& lead) {
    // An exact copy, so that the address sanitizer sees any read past the end.
    char* text = static_cast<char*>(malloc(size ? size : 1));
    memcpy(text, data, size);
    bool* second = new bool[size ? size : 1];
    MarkSecondBytes(text, size, lead, second);

    size_t root = FolderRootLength(text, size, lead);
    RemovalScope scope = ScopeOfFolderText(text, size, lead);
    FUZZ_CHECK(root <= size);
    FUZZ_CHECK(scope == RemoveNothing || scope == RemoveProductFilesOnly || scope == RemoveWholeFolder);
    size_t levels = FolderLevelCount(text, size, lead);
    FUZZ_CHECK((levels == 0) == (root == 0));
    // The install takes exactly what the removal does not refuse and can hold, but for levels
    // that Windows trims.
    FUZZ_CHECK(IsInstallableFolder(text, size, lead) ==
               (scope != RemoveNothing && levels <= kMostFolderLevels && !EndsALevelInDotOrBlank(text, size, lead)));

    if (scope != RemoveNothing) {
        // Only an absolute folder: a drive root ("t:") or a share, then levels.
        FUZZ_CHECK(root >= 2);
        // No control byte (a carriage return or NUL left over from the record) anywhere, no
        // wildcard character that would widen a delete.
        for (size_t i = 0; i < size; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            FUZZ_CHECK(c >= 32);
            FUZZ_CHECK(second[i] || (c != '*' && c != '?'));
        }
        // Whole to its last character: "\" after it is a separator, not its second byte.
        FUZZ_CHECK(!lead.lead[static_cast<unsigned char>(text[size - 1])] || second[size - 1]);
        // Every product path fits every file service's limit.
        FUZZ_CHECK(size + 1 + LongestProductFileName() <= kFolderPathLimit);
        FUZZ_CHECK(size + 1 + LongestProductFileName() <= kNamePathLimit);
    }
    size_t end = size;
    if (end > root && IsSeparatorAt(text, end - 1, second)) --end;
    if (scope == RemoveProductFilesOnly) {
        // A root alone, with at most one separator after it.
        FUZZ_CHECK(end == root);
    }
    if (scope == RemoveWholeFolder) {
        // Below the root: a separator, then plain levels, none of them "." or ".." or empty.
        FUZZ_CHECK(end > root + 1 && IsSeparatorAt(text, root, second));
        FUZZ_CHECK(!HasClimbingOrEmptyLevel(text, root + 1, end, second));
        // Judged the same with its one trailing separator taken off.
        FUZZ_CHECK(ScopeOfFolderText(text, end, lead) == RemoveWholeFolder);
        // The root, then one level after each separator below it.
        size_t separators = 0;
        for (size_t i = root; i < end; ++i) separators += IsSeparatorAt(text, i, second);
        FUZZ_CHECK(levels == 1 + separators);
    }
    if (scope == RemoveProductFilesOnly) {
        FUZZ_CHECK(levels == 1);
    }

    // Whatever the second bytes are ("\", "|", "*"...), the judgement stays.
    NeutralSecondBytes(text, size, lead);
    FUZZ_CHECK(ScopeOfFolderText(text, size, lead) == scope);
    FUZZ_CHECK(FolderRootLength(text, size, lead) == root);
    FUZZ_CHECK(FolderLevelCount(text, size, lead) == levels);
    delete[] second;
    free(text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const LeadBytes& lead : kFuzzTables) Check(data, size, lead);
    return 0;
}
