#include "fs/held_folder.h"

#include <stdlib.h>

#include "base/path_text.h"
#include "fs/code_page.h"
#include "fs/system_call.h"

namespace {

const DWORD kVolumeLabelAttribute = 0x8;
const DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                        kVolumeLabelAttribute | FILE_ATTRIBUTE_REPARSE_POINT;
// Share modes bind only handles that may read or write data: one that may only read
// attributes would not keep the level from being renamed. The folder's descriptor is read
// through its held handle.
const DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where each character of text begins: a lead byte and its trail byte are one character, and
// a trail byte that happens to be "\" is no separator.
size_t NextCharacter(const char* text, size_t i, size_t n) { return i + CharLength(text, i, n, AnsiLeadBytes()); }

// True when the last character of text is a separator; a folder that ends in the trail byte
// "\" of a character ("c:\ソ") does not, and needs one before a name.
bool EndsInSeparator(const DynString& text) {
    return EndsWithChar(text.data(), text.size(), '\\', AnsiLeadBytes()) ||
           EndsWithChar(text.data(), text.size(), '/', AnsiLeadBytes());
}

bool IsNotThere(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// A drive or share that is not there, or has no media in it.
bool IsRootNotThere(DWORD code) {
    return IsNotThere(code) || code == ERROR_INVALID_DRIVE || code == ERROR_NOT_READY ||
           code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME;
}

HANDLE OpenLevel(const char* path, DWORD* code) {
    HANDLE h = INVALID_HANDLE_VALUE;
    // No delete sharing: while this handle is open, nobody renames or removes the level.
    *code = SystemCall([&] {
        h = CreateFileA(path, kHoldAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    return h;
}

bool Attributes(HANDLE h, DWORD* attributes) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    *attributes = info.dwFileAttributes;
    return true;
}

// The file's final path, cut before its last separator, names the held folder.
bool LiesDirectlyIn(HANDLE file, const HeldFolder& held) {
    wchar_t final[kMaxWide];
    DWORD n = FinalPathQuery(file, final, kMaxWide, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= kMaxWide) return false;
    DWORD cut = n;
    for (DWORD i = 0; i < n; ++i)
        if (final[i] == L'\\') cut = i;
    if (cut == n || cut == 0) return false;
    // A drive's root keeps its separator ("\\?\C:\"): without it the path names the volume.
    final[final[cut - 1] == L':' ? cut + 1 : cut] = 0;
    FileIdentity parent;
    if (!IdentityOfSystemPath(final, &parent)) {
        final[cut] = L'\\';
        final[cut + 1] = 0;
        if (!IdentityOfSystemPath(final, &parent)) return false;
    }
    return SameIdentity(parent, held.identity);
}

// The held folder's own final path, without a trailing separator, as the system tells it for
// the folder's held handle: the folder itself, whatever the text it was judged by (a level
// that Windows trims, another case, a short name, a mapped drive). False when the system
// can't tell it, or when the folder is not held.
bool HeldFolderPath(const HeldFolder& held, wchar_t* path, DWORD* length) {
    if (!held.exists || held.count == 0) return false;
    DWORD n = FinalPathQuery(held.levels[held.count - 1], path, kMaxWide, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= kMaxWide) return false;
    if (path[n - 1] == L'\\') path[--n] = 0;  // a drive's root ("\\?\C:\")
    *length = n;
    return true;
}

// Opens name (n characters) in the folder whose final path is folder[0, length), by that path
// and the exact name, never following a link.
HANDLE OpenByFinalPath(const wchar_t* folder, DWORD length, const wchar_t* name, int n, DWORD access, DWORD flags,
                       DWORD* code) {
    wchar_t path[kMaxWide];
    if (length + 1 + n >= static_cast<DWORD>(kMaxWide)) {
        *code = ERROR_FILENAME_EXCED_RANGE;
        return INVALID_HANDLE_VALUE;
    }
    CopyMemory(path, folder, length * sizeof(wchar_t));
    path[length] = L'\\';
    CopyMemory(path + length + 1, name, n * sizeof(wchar_t));
    path[length + 1 + n] = 0;
    return OpenSystemPath(path, access, flags | FILE_FLAG_OPEN_REPARSE_POINT, code);
}

// Opens the entry `name` (an ANSI name that addresses one entry, as IsDeletableName says)
// directly in the held folder. An entry that is not there gives ERROR_FILE_NOT_FOUND; a name
// that is no such name, or a folder whose place the system can't tell, code 0: nothing was
// asked of the system.
HANDLE OpenInHeldFolder(const HeldFolder& held, const char* name, DWORD access, DWORD flags, DWORD* code) {
    wchar_t folder[kMaxWide], wide[MAX_PATH];
    DWORD length = 0;
    *code = 0;
    if (!IsDeletableName(name, AnsiLeadBytes()) || !HeldFolderPath(held, folder, &length)) return INVALID_HANDLE_VALUE;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide, MAX_PATH) - 1;
    if (n <= 0) return INVALID_HANDLE_VALUE;
    return OpenByFinalPath(folder, length, wide, n, access, flags, code);
}

// The open handle shows a file (no folder, no link) whose final path lies directly in the
// held folder.
bool IsFileDirectlyIn(HANDLE file, const HeldFolder& held, BY_HANDLE_FILE_INFORMATION* info) {
    return GetFileInformationByHandle(file, info) &&
           !(info->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           LiesDirectlyIn(file, held);
}

// A name listed by the folder that may be opened by name and reach that entry alone: not "."
// or "..", no character a name on disk never holds, and no trailing dot or space (Windows
// trims those and would open another file, possibly a hidden one).
bool IsOpenableName(const wchar_t* name, int n) {
    if (n == 0 || (n == 1 && name[0] == L'.') || (n == 2 && name[0] == L'.' && name[1] == L'.')) return false;
    for (int i = 0; i < n; ++i) {
        wchar_t c = name[i];
        if (c < 32 || (c < 128 && NameCannotHold(static_cast<char>(c)))) return false;
    }
    return name[n - 1] != L'.' && name[n - 1] != L' ';
}

bool IsKept(const wchar_t* name, int n, const char* const* keep, int count) {
    for (int i = 0; i < count; ++i) {
        wchar_t kept[MAX_PATH];
        int k = MultiByteToWideChar(CP_ACP, 0, keep[i], -1, kept, MAX_PATH) - 1;
        if (k == n && CompareStringOrdinal(name, n, kept, k, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

// Deletes the listed entry `name` of the held folder, whose final path is folder[0,
// length), when it is still the entry listed (identity `entry`); false when it is there and
// stays.
bool DeleteListedEntry(ErrorState& error, const HeldFolder& held, const wchar_t* folder, DWORD length,
                       const wchar_t* name, int n, const FileIdentity& entry) {
    DWORD code = 0;
    HANDLE file = OpenByFinalPath(folder, length, name, n, DELETE | FILE_READ_ATTRIBUTES, 0, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code == ERROR_FILE_NOT_FOUND) return true;
        RecordSystemError(error, code);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    FileIdentity opened;
    bool deleted = true;
    // The handle must be the entry that was listed, still a plain file, directly in the folder.
    if (GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & kNotPlain) &&
        IdentityOfHandle(file, &opened) && SameIdentity(opened, entry) && LiesDirectlyIn(file, held))
        deleted = MarkForDeletion(error, file);
    CloseHandle(file);
    return deleted;
}

}  // namespace

namespace {

// Holds the level folder[0, end) below the levels already held: kHeld when it is a folder and
// no link; kNotThere when nothing is there (or a file: nothing lies below it), with the levels
// above still held; kCannotHold, with every level released, otherwise.
HoldResult HoldLevel(HeldFolder& held, size_t end) {
    if (held.count == static_cast<int>(kMostFolderLevels)) {
        ReleaseFolder(held);
        return kCannotHold;
    }
    DynString level = held.path.Sub(0, end);
    // Looked at by name as well as through the handle: a link opened without being followed
    // does not show itself as one everywhere.
    DWORD attributes = 0;
    DWORD code = SystemCall([&] { attributes = GetFileAttributesA(level.c_str()); });
    HANDLE h = INVALID_HANDLE_VALUE;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (IsNotThere(code)) return kNotThere;
    } else if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return kNotThere;  // nothing lies below a file
        h = OpenLevel(level.c_str(), &code);
        if (h == INVALID_HANDLE_VALUE && IsNotThere(code)) return kNotThere;
    }
    if (h == INVALID_HANDLE_VALUE) {
        ReleaseFolder(held);
        return kCannotHold;
    }
    held.levels[held.count] = h;
    bool folderLevel = IdentityOfHandle(h, &held.identities[held.count]) && Attributes(h, &attributes) &&
                       (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    ++held.count;
    if (!folderLevel) {
        ReleaseFolder(held);
        return kCannotHold;
    }
    return kHeld;
}

// Calls visit(end) for each level below the root of the held folder's text, top down, with
// where its text ends; the folder's own level ends at the text's end (before one trailing
// separator). Stops when visit says false.
template <typename Visit>
bool ForEachLevelEnd(const HeldFolder& held, size_t rootLength, Visit visit) {
    const char* text = held.path.c_str();
    size_t n = held.path.size();
    for (size_t i = rootLength + 1; i <= n; i = i < n ? NextCharacter(text, i, n) : n + 1) {
        if (i < n && !IsSeparator(text[i])) continue;
        if (i == n && EndsInSeparator(held.path)) break;  // one trailing separator
        if (!visit(i)) return false;
    }
    return true;
}

}  // namespace

HoldResult HoldFolder(const DynString& folder, size_t rootLength, HeldFolder& held) {
    held.path = folder;
    held.count = 0;
    held.exists = false;
    held.rootLength = rootLength;
    size_t n = folder.size();
    if (rootLength == 0 || rootLength > n) return kCannotHold;

    // The root as a folder ("t:\", "\\server\share\"); it must be there to judge below it.
    DynString root = folder.Sub(0, rootLength);
    if (!EndsInSeparator(root)) root += '\\';
    DWORD code = 0;
    HANDLE h = OpenLevel(root.c_str(), &code);
    if (h == INVALID_HANDLE_VALUE) return IsRootNotThere(code) ? kRootNotThere : kCannotHold;
    // A drive's root may carry the attribute of a link when it is mapped onto one.
    DWORD attributes = 0;
    if (!Attributes(h, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return kCannotHold;
    }
    held.levels[held.count] = h;
    if (!IdentityOfHandle(h, &held.identities[held.count])) {
        CloseHandle(h);
        return kCannotHold;
    }
    ++held.count;

    HoldResult result = kHeld;
    ForEachLevelEnd(held, rootLength, [&](size_t end) {
        result = HoldLevel(held, end);
        return result == kHeld;
    });
    if (result != kHeld) return result;
    held.identity = held.identities[held.count - 1];
    held.exists = true;
    return kHeld;
}

bool FullPathOf(const DynString& path, DynString& full) {
    char text[MAX_PATH];
    DWORD n = 0;
    SystemCall([&] { n = GetFullPathNameA(path.c_str(), MAX_PATH, text, nullptr); });
    if (n == 0 || n >= MAX_PATH) return false;
    full = DynString(text, n);
    return full.size() == n;
}

HoldResult HoldFolderAtFullPath(const DynString& path, HeldFolder& held) {
    held.count = 0;
    held.exists = false;
    DynString folder;
    if (!FullPathOf(path, folder)) return kCannotHold;
    return HoldFolder(folder, FolderRootLength(folder.data(), folder.size(), AnsiLeadBytes()), held);
}

bool HoldMadeFolder(HeldFolder& held) {
    if (held.exists) return true;
    // Every level above the folder must be held already: only the folder itself was missing.
    int levels = 1;
    size_t last = 0;
    ForEachLevelEnd(held, held.rootLength, [&](size_t end) {
        ++levels;
        last = end;
        return true;
    });
    if (levels < 2 || held.count != levels - 1 || HoldLevel(held, last) != kHeld) {
        ReleaseFolder(held);
        return false;
    }
    held.identity = held.identities[held.count - 1];
    held.exists = true;
    return true;
}

HANDLE OpenHeldFolder(const HeldFolder& held, DWORD access) {
    wchar_t path[kMaxWide];
    DWORD length = 0, code = 0;
    if (!HeldFolderPath(held, path, &length)) return INVALID_HANDLE_VALUE;
    if (path[length - 1] == L':') lstrcpyW(path + length, L"\\");  // a drive's root, not its volume
    HANDLE folder = OpenSystemPath(path, access | FILE_READ_ATTRIBUTES,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, &code);
    FileIdentity identity;
    DWORD attributes = 0;
    if (folder != INVALID_HANDLE_VALUE &&
        !(Attributes(folder, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IdentityOfHandle(folder, &identity) &&
          SameIdentity(identity, held.identity))) {
        CloseHandle(folder);
        folder = INVALID_HANDLE_VALUE;
    }
    return folder;
}

void ReleaseFolder(HeldFolder& held) {
    for (int i = held.count - 1; i >= 0; --i) CloseFileHandle(held.levels[i]);
    held.count = 0;
    held.exists = false;
}

DeleteOutcome DeleteInHeldFolder(ErrorState& error, const HeldFolder& held, const char* name,
                                 bool clearAttributes) {
    // With the right to change its attributes where the system grants it; this Wine grants it
    // on no read-only file, and changes attributes through a handle opened without it.
    DWORD code = 0;
    HANDLE file = OpenInHeldFolder(held, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, &code);
    if (file == INVALID_HANDLE_VALUE && code == ERROR_ACCESS_DENIED)
        file = OpenInHeldFolder(held, name, DELETE | FILE_READ_ATTRIBUTES, 0, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code == 0) return kRefused;
        if (code == ERROR_FILE_NOT_FOUND) return kAbsent;
        RecordSystemError(error, code);
        return kStayed;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsFileDirectlyIn(file, held, &info)) {
        CloseHandle(file);
        return kRefused;
    }
    // Attributes belong to the file, not to this name: a file that has another name elsewhere
    // keeps its read-only attribute, and stays.
    const DWORD attributes = info.dwFileAttributes;
    bool cleared = clearAttributes && (attributes & FILE_ATTRIBUTE_READONLY) && info.nNumberOfLinks == 1 &&
                   SetHandleAttributes(error, file, attributes & ~FILE_ATTRIBUTE_READONLY);
    bool marked = MarkForDeletion(error, file);
    if (!marked && cleared) SetHandleAttributes(error, file, attributes);
    CloseFileHandle(file);
    return marked ? kDeleted : kStayed;
}

bool IdentityInHeldFolder(const HeldFolder& held, const char* name, FileIdentity* identity) {
    DWORD code = 0;
    HANDLE file = OpenInHeldFolder(held, name, FILE_READ_ATTRIBUTES, 0, &code);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool found = IsFileDirectlyIn(file, held, &info) && IdentityOfHandle(file, identity);
    CloseHandle(file);
    return found;
}

bool IsLeftInHeldFolder(const HeldFolder& held, const char* name) {
    if (!held.exists) return false;  // no folder is there, so nothing is in it
    DWORD code = 0;
    HANDLE entry = OpenInHeldFolder(held, name, FILE_READ_ATTRIBUTES, FILE_FLAG_BACKUP_SEMANTICS, &code);
    if (entry == INVALID_HANDLE_VALUE) return code != ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION info;
    bool left = !GetFileInformationByHandle(entry, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(entry);
    return left;
}

void DeleteEveryPlainFile(ErrorState& error, const HeldFolder& held, const char* const* keep, int count) {
    wchar_t folder[kMaxWide];
    DWORD length = 0;
    if (!HeldFolderPath(held, folder, &length)) return;

    // Listed through the handle that holds the folder, a batch at a time.
    const DWORD kListSize = 16384;
    void* list = malloc(kListSize);
    if (!list) {
        RecordError(error, 7);
        return;
    }
    HANDLE listed = held.levels[held.count - 1];
    FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
    bool going = true;
    while (going) {
        BOOL got = FALSE;
        DWORD code = SystemCall([&] { got = GetFileInformationByHandleEx(listed, batch, list, kListSize); });
        if (!got) {
            if (code != ERROR_NO_MORE_FILES) RecordSystemError(error, code);
            break;
        }
        batch = FileIdBothDirectoryInfo;
        for (auto* entry = static_cast<FILE_ID_BOTH_DIR_INFO*>(list); going;
             entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<char*>(entry) + entry->NextEntryOffset)) {
            int n = static_cast<int>(entry->FileNameLength / sizeof(wchar_t));
            FileIdentity identity = {held.identity.volume, static_cast<DWORD>(entry->FileId.HighPart),
                                     static_cast<DWORD>(entry->FileId.LowPart)};
            if (!(entry->FileAttributes & kNotPlain) && IsOpenableName(entry->FileName, n) &&
                !IsKept(entry->FileName, n, keep, count) &&
                !DeleteListedEntry(error, held, folder, length, entry->FileName, n, identity))
                going = false;  // the first file that stays ends the sweep
            if (entry->NextEntryOffset == 0) break;
        }
    }
    free(list);
}

void RemoveHeldFolder(ErrorState& error, HeldFolder& held) {
    wchar_t path[kMaxWide];
    DWORD length = 0;
    if (!HeldFolderPath(held, path, &length)) {
        ReleaseFolder(held);
        return;
    }
    // The folder's own level lets go of it; the levels above stay held while it goes.
    CloseHandle(held.levels[--held.count]);
    DWORD code = 0;
    HANDLE folder = OpenSystemPath(path, DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, &code);
    if (folder == INVALID_HANDLE_VALUE) {
        RecordSystemError(error, code);
    } else {
        DWORD attributes = 0;
        FileIdentity identity;
        // Only the folder that was held, still a folder and no link.
        if (Attributes(folder, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IdentityOfHandle(folder, &identity) &&
            SameIdentity(identity, held.identity))
            MarkForDeletion(error, folder);
        CloseFileHandle(folder);
    }
    ReleaseFolder(held);
}

bool PathInHeldFolder(const HeldFolder& held, const char* name, DynString& path) {
    if (!held.exists || !IsDeletableName(name, AnsiLeadBytes())) return false;
    DynString folder = held.path;
    if (EndsInSeparator(folder)) folder.Truncate(folder.size() - 1);
    path = folder + "\\" + name;
    return IsExactDeletePath(path.data(), path.size(), folder.data(), folder.size(), name, AnsiLeadBytes());
}

bool SystemPathInHeldFolder(const HeldFolder& held, const char* name, wchar_t (&path)[kMaxWide]) {
    wchar_t wide[MAX_PATH];
    DWORD length = 0;
    if (!IsDeletableName(name, AnsiLeadBytes()) || !HeldFolderPath(held, path, &length)) return false;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide, MAX_PATH) - 1;
    if (n <= 0 || length + 1 + n >= static_cast<DWORD>(kMaxWide)) return false;
    path[length] = L'\\';
    CopyMemory(path + length + 1, wide, n * sizeof(wchar_t));
    path[length + 1 + n] = 0;
    return true;
}

bool LiesInHeldFolder(HANDLE file, const HeldFolder& held) { return LiesDirectlyIn(file, held); }
