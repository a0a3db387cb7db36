#include "base/folder_shape.h"

#include "base/product.h"

// Every path of the product, the folder plus "\" plus its longest file name, must reach the
// system whole through every file service; a cut path names another file, maybe the user's.
static const size_t kLongestProductPath = kFolderPathLimit < kNamePathLimit ? kFolderPathLimit : kNamePathLimit;

static bool IsSeparatorAt(const char* text, size_t i, size_t n, const LeadBytes& lead) {
    return (text[i] == '\\' || text[i] == '/') && CharLength(text, i, n, lead) == 1;
}

static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// One level of a path: not empty, not only dots and spaces ("." and ".." and what
// Windows trims to them), and no character that a file name cannot hold.
static bool IsPlainLevel(const char* level, size_t length, const LeadBytes& lead) {
    if (length == 0) return false;
    bool onlyDotsAndSpaces = true;
    for (size_t i = 0, step; i < length; i += step) {
        step = CharLength(level, i, length, lead);
        if (step == 1 && NameCannotHold(level[i])) return false;
        if (step != 1 || (level[i] != '.' && level[i] != ' ')) onlyDotsAndSpaces = false;
    }
    return !onlyDotsAndSpaces;
}

// Where the level that starts at `from` (a character boundary) ends: at the next separator,
// or at `length`.
static size_t LevelEnd(const char* text, size_t from, size_t length, const LeadBytes& lead) {
    while (from < length && !IsSeparatorAt(text, from, length, lead)) from += CharLength(text, from, length, lead);
    return from;
}

size_t FolderRootLength(const char* folder, size_t length, const LeadBytes& lead) {
    if (!folder) return 0;
    if (length >= 2 && IsLetter(folder[0]) && folder[1] == ':') {
        // "t:" alone names the root, as the installer records it; "t:x" is drive-relative.
        return length == 2 || IsSeparatorAt(folder, 2, length, lead) ? 2 : 0;
    }
    if (length >= 2 && IsSeparatorAt(folder, 0, length, lead) && IsSeparatorAt(folder, 1, length, lead)) {
        size_t serverEnd = LevelEnd(folder, 2, length, lead);
        if (!IsPlainLevel(folder + 2, serverEnd - 2, lead) || serverEnd == length) return 0;
        size_t shareEnd = LevelEnd(folder, serverEnd + 1, length, lead);
        if (!IsPlainLevel(folder + serverEnd + 1, shareEnd - serverEnd - 1, lead)) return 0;
        return shareEnd;
    }
    return 0;
}

RemovalScope ScopeOfFolderText(const char* folder, size_t length, const LeadBytes& lead) {
    size_t root = FolderRootLength(folder, length, lead);
    if (root == 0) return RemoveNothing;
    // A control byte anywhere (a carriage return from a script reads back as the end of the
    // record, naming another folder), a character cut in two, or a folder too long for its
    // product paths to reach the system whole.
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(folder[i]) < 32) return RemoveNothing;
    if (EndsInLoneLeadByte(folder, length, lead)) return RemoveNothing;
    if (length + 1 + LongestProductFileName() > kLongestProductPath) return RemoveNothing;

    size_t end = length;
    size_t last = LastCharStart(folder, length, lead);
    if (end > root && IsSeparatorAt(folder, last, length, lead)) end = last;  // one trailing separator
    if (end == root) return RemoveProductFilesOnly;
    for (size_t from = root + 1; from <= end;) {
        size_t levelEnd = LevelEnd(folder, from, end, lead);
        if (!IsPlainLevel(folder + from, levelEnd - from, lead)) return RemoveNothing;
        from = levelEnd + 1;
    }
    return RemoveWholeFolder;
}

size_t FolderLevelCount(const char* folder, size_t length, const LeadBytes& lead) {
    size_t root = FolderRootLength(folder, length, lead);
    if (root == 0) return 0;
    size_t levels = 1;
    for (size_t from = root; from < length;) {
        while (from < length && IsSeparatorAt(folder, from, length, lead)) ++from;
        if (from == length) break;
        ++levels;
        from = LevelEnd(folder, from, length, lead);
    }
    return levels;
}

// True when a level below the root ends in a dot or a blank: Windows trims those from a path's
// last level, and not always from one in the middle, so the folder made, the folder recorded
// and the folder a removal finds could be two different ones.
static bool HasLevelWindowsTrims(const char* folder, size_t length, const LeadBytes& lead) {
    size_t root = FolderRootLength(folder, length, lead);
    for (size_t from = root; from < length;) {
        while (from < length && IsSeparatorAt(folder, from, length, lead)) ++from;
        if (from == length) break;
        size_t end = LevelEnd(folder, from, length, lead);
        size_t last = from + LastCharStart(folder + from, end - from, lead);
        if (CharLength(folder, last, length, lead) == 1 && (folder[last] == '.' || folder[last] == ' ')) return true;
        from = end;
    }
    return false;
}

bool IsInstallableFolder(const char* folder, size_t length, const LeadBytes& lead) {
    return ScopeOfFolderText(folder, length, lead) != RemoveNothing &&
           FolderLevelCount(folder, length, lead) <= kMostFolderLevels && !HasLevelWindowsTrims(folder, length, lead);
}
