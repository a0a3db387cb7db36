#include "fs/held_folder.h"

#include "base/path_text.h"
#include "fs/code_page.h"
#include "fs/system_call.h"

namespace {

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kHiddenSystemReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
const DWORD kVolumeLabelAttribute = 0x8;
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

// The byte offset of the last separator of text, or n when there is none.
size_t LastSeparator(const char* text, size_t n) {
    size_t last = n;
    for (size_t i = 0; i < n; i = NextCharacter(text, i, n))
        if (IsSeparator(text[i])) last = i;
    return last;
}

bool IsNotThere(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

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

DWORD PlainAttributes(DWORD attributes) { return attributes ? attributes : FILE_ATTRIBUTE_NORMAL; }

// The file's final path, cut before its last separator, names the held folder.
bool LiesDirectlyIn(HANDLE file, const HeldFolder& held) {
    char final[MAX_PATH * 2];
    DWORD n = GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= sizeof final) return false;
    size_t cut = LastSeparator(final, n);
    if (cut == n || cut == 0) return false;
    // A drive's root keeps its separator ("\\?\C:\"): without it the path names the volume.
    final[final[cut - 1] == ':' ? cut + 1 : cut] = 0;
    FileIdentity parent;
    if (!IdentityOfPath(final, &parent)) {
        final[cut] = '\\';
        final[cut + 1] = 0;
        if (!IdentityOfPath(final, &parent)) return false;
    }
    return SameIdentity(parent, held.identity);
}

}  // namespace

bool IdentityOfHandle(HANDLE handle, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->indexHigh = info.nFileIndexHigh;
    identity->indexLow = info.nFileIndexLow;
    return true;
}

// The ANSI path as the system itself converts it for CreateFileA.
bool IdentityOfPath(const char* path, FileIdentity* identity) {
    wchar_t wide[MAX_PATH * 2];
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2) > 0 && IdentityOfPathW(wide, identity);
}

bool IdentityOfPathW(const wchar_t* path, FileIdentity* identity) {
    bool ok = false;
    SystemCall([&] {
        HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ok = h != INVALID_HANDLE_VALUE && IdentityOfHandle(h, identity);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    });
    return ok;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

HoldResult HoldFolder(const DynString& folder, size_t rootLength, HeldFolder& held) {
    held.path = folder;
    held.count = 0;
    held.exists = false;
    const char* text = folder.c_str();
    size_t n = folder.size();
    if (rootLength == 0 || rootLength > n) return kCannotHold;

    // The root as a folder ("t:\", "\\server\share\"); it must be there to judge below it.
    DynString root = folder.Sub(0, rootLength);
    if (!EndsInSeparator(root)) root += '\\';
    DWORD attributes = 0;
    DWORD code = 0;
    HANDLE h = OpenLevel(root.c_str(), &code);
    if (h == INVALID_HANDLE_VALUE) return kCannotHold;
    held.levels[held.count++] = h;
    if (!Attributes(h, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ReleaseFolder(held);
        return kCannotHold;
    }

    for (size_t i = rootLength + 1; i <= n; i = i < n ? NextCharacter(text, i, n) : n + 1) {
        if (i < n && !IsSeparator(text[i])) continue;
        if (i == n && EndsInSeparator(folder)) break;  // one trailing separator
        if (held.count == kMaxHeldLevels) {
            ReleaseFolder(held);
            return kCannotHold;
        }
        DynString level = folder.Sub(0, i);
        // Looked at by name as well as through the handle: a link opened without being
        // followed does not show itself as one everywhere.
        code = SystemCall([&] { attributes = GetFileAttributesA(level.c_str()); });
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            ReleaseFolder(held);
            return IsNotThere(code) ? kNotThere : kCannotHold;
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            ReleaseFolder(held);
            return kCannotHold;
        }
        h = OpenLevel(level.c_str(), &code);
        if (h == INVALID_HANDLE_VALUE) {
            ReleaseFolder(held);
            return IsNotThere(code) ? kNotThere : kCannotHold;
        }
        held.levels[held.count++] = h;
        if (!Attributes(h, &attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ReleaseFolder(held);
            return kCannotHold;
        }
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ReleaseFolder(held);
            return kNotThere;  // nothing lies below a file
        }
    }
    if (!IdentityOfHandle(held.levels[held.count - 1], &held.identity)) {
        ReleaseFolder(held);
        return kCannotHold;
    }
    held.exists = true;
    return kHeld;
}

void ReleaseFolder(HeldFolder& held) {
    for (int i = held.count - 1; i >= 0; --i) CloseHandle(held.levels[i]);
    held.count = 0;
    held.exists = false;
}

DeleteOutcome DeleteInHeldFolder(ErrorState& error, const HeldFolder& held, const char* name,
                                 bool clearAttributes) {
    if (!held.exists || !IsDeletableName(name, AnsiLeadBytes())) return kRefused;
    // Exactly folder + "\" + name, checked byte for byte: a string that failed to grow, or a
    // folder cut back to its drive, must not widen or move the delete.
    DynString folder = held.path;
    if (EndsInSeparator(folder)) folder.Truncate(folder.size() - 1);
    DynString path = folder + "\\" + name;
    if (!IsExactDeletePath(path.data(), path.size(), folder.data(), folder.size(), name, AnsiLeadBytes()))
        return kRefused;

    DWORD named = GetFileAttributesA(path.c_str());
    if (named != INVALID_FILE_ATTRIBUTES && (named & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return kRefused;
    HANDLE file = INVALID_HANDLE_VALUE;
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES;
    DWORD code = SystemCall([&] {
        file = CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
    });
    if (file == INVALID_HANDLE_VALUE) {
        if (code == ERROR_FILE_NOT_FOUND) return kAbsent;
        RecordSystemError(error, code);
        return kStayed;
    }
    DWORD attributes = 0;
    if (!Attributes(file, &attributes) || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !LiesDirectlyIn(file, held)) {
        CloseHandle(file);
        return kRefused;
    }
    // Cleared by name: the held levels keep the name pointing into this folder, and a handle
    // that may write attributes can't always be had on a read-only file.
    bool cleared = clearAttributes && (attributes & kHiddenSystemReadOnly) &&
                   SetFileAttributesA(path.c_str(), PlainAttributes(attributes & ~kHiddenSystemReadOnly));
    FILE_DISPOSITION_INFO disposition = {TRUE};
    BOOL marked = FALSE;
    code = SystemCall([&] { marked = SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition); });
    if (!marked) {
        if (cleared) SetFileAttributesA(path.c_str(), attributes);
        CloseHandle(file);
        RecordSystemError(error, code);
        return kStayed;
    }
    CloseHandle(file);
    return kDeleted;
}

void DeleteEveryPlainFile(ErrorState& error, const HeldFolder& held) {
    if (!held.exists) return;
    DynString pattern = held.path;
    if (!EndsInSeparator(pattern)) pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAA entry;
    HANDLE search = INVALID_HANDLE_VALUE;
    DWORD code = SystemCall([&] { search = FindFirstFileA(pattern.c_str(), &entry); });
    if (search == INVALID_HANDLE_VALUE) {
        if (code != ERROR_FILE_NOT_FOUND) RecordSystemError(error, code);
        return;
    }
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           kVolumeLabelAttribute | FILE_ATTRIBUTE_REPARSE_POINT;
    for (;;) {
        if (!(entry.dwFileAttributes & notPlain) && IsDeletableName(entry.cFileName, AnsiLeadBytes()) &&
            DeleteInHeldFolder(error, held, entry.cFileName, false) == kStayed)
            break;  // the first file that stays ends the sweep
        BOOL more = FALSE;
        code = SystemCall([&] { more = FindNextFileA(search, &entry); });
        if (!more) {
            if (code != 0 && code != ERROR_NO_MORE_FILES) RecordSystemError(error, code);
            break;
        }
    }
    SystemCall([&] { FindClose(search); });
}
