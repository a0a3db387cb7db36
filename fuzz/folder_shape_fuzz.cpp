// Fuzzes the uninstaller's judgement of a recorded install folder from its text alone:
// whatever the record holds, a deletion is allowed only inside an absolute folder whose
// levels are all plain names.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/folder_shape.h"
#include "fuzz_check.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when a level of text[from, end) is empty, or only dots ("." and ".." climb).
static bool HasClimbingOrEmptyLevel(const char* text, size_t from, size_t end) {
    size_t start = from;
    for (size_t i = from; i <= end; ++i) {
        if (i < end && !IsSeparator(text[i])) continue;
        size_t n = i - start;
        bool dots = true;
        for (size_t k = start; k < i; ++k) dots = dots && text[k] == '.';
        if (n == 0 || dots) return true;
        start = i + 1;
    }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact copy, so that the address sanitizer sees any read past the end.
    char* text = static_cast<char*>(malloc(size ? size : 1));
    memcpy(text, data, size);

    size_t root = FolderRootLength(text, size);
    RemovalScope scope = ScopeOfFolderText(text, size);
    FUZZ_CHECK(root <= size);
    FUZZ_CHECK(scope == RemoveNothing || scope == RemoveProductFilesOnly || scope == RemoveWholeFolder);

    if (scope != RemoveNothing) {
        // Only an absolute folder: a drive root ("t:") or a share, then levels.
        FUZZ_CHECK(root >= 2);
        // No control character (a carriage return or NUL left over from the record), no
        // wildcard that would widen a delete.
        for (size_t i = 0; i < size; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            FUZZ_CHECK(c >= 32 && c != '*' && c != '?');
        }
    }
    size_t end = size;
    if (end > root && IsSeparator(text[end - 1])) --end;
    if (scope == RemoveProductFilesOnly) {
        // A root alone, with at most one separator after it.
        FUZZ_CHECK(end == root);
    }
    if (scope == RemoveWholeFolder) {
        // Below the root: a separator, then plain levels, none of them "." or ".." or empty.
        FUZZ_CHECK(end > root + 1 && IsSeparator(text[root]));
        FUZZ_CHECK(!HasClimbingOrEmptyLevel(text, root + 1, end));
        // Judged the same with its one trailing separator taken off.
        FUZZ_CHECK(ScopeOfFolderText(text, end) == RemoveWholeFolder);
    }
    free(text);
    return 0;
}
