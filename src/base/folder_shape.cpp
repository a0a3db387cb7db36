#include "base/folder_shape.h"

#include "base/path_text.h"
#include "base/product.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// One level of a path: not empty, not only dots and spaces ("." and ".." and what
// Windows trims to them), and no character that a file name cannot hold.
static bool IsPlainLevel(const char* level, size_t length) {
    if (length == 0) return false;
    bool onlyDotsAndSpaces = true;
    for (size_t i = 0; i < length; ++i) {
        if (NameCannotHold(level[i])) return false;
        if (level[i] != '.' && level[i] != ' ') onlyDotsAndSpaces = false;
    }
    return !onlyDotsAndSpaces;
}

static size_t LevelEnd(const char* text, size_t from, size_t length) {
    while (from < length && !IsSeparator(text[from])) ++from;
    return from;
}

size_t FolderRootLength(const char* folder, size_t length) {
    if (!folder) return 0;
    if (length >= 2 && IsLetter(folder[0]) && folder[1] == ':') {
        // "t:" alone names the root, as the installer records it; "t:x" is drive-relative.
        return length == 2 || IsSeparator(folder[2]) ? 2 : 0;
    }
    if (length >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
        size_t serverEnd = LevelEnd(folder, 2, length);
        if (!IsPlainLevel(folder + 2, serverEnd - 2) || serverEnd == length) return 0;
        size_t shareEnd = LevelEnd(folder, serverEnd + 1, length);
        if (!IsPlainLevel(folder + serverEnd + 1, shareEnd - serverEnd - 1)) return 0;
        return shareEnd;
    }
    return 0;
}

RemovalScope ScopeOfFolderText(const char* folder, size_t length) {
    size_t root = FolderRootLength(folder, length);
    if (root == 0) return RemoveNothing;
    size_t end = length;
    if (end > root && IsSeparator(folder[end - 1])) --end;  // one trailing separator
    if (end == root) {
        // The file services cut a longer path for a delete, and a cut name could be
        // another file's.
        if (root + 1 + LongestProductFileName() > kNamePathLimit) return RemoveNothing;
        return RemoveProductFilesOnly;
    }
    for (size_t from = root + 1; from <= end;) {
        size_t levelEnd = LevelEnd(folder, from, end);
        if (!IsPlainLevel(folder + from, levelEnd - from)) return RemoveNothing;
        from = levelEnd + 1;
    }
    return RemoveWholeFolder;
}
