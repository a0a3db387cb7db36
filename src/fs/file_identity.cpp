#include "fs/file_identity.h"

#include <stdlib.h>

#include "fs/system_call.h"

DWORD(WINAPI* FinalPathQuery)(HANDLE, LPWSTR, DWORD, DWORD) = GetFinalPathNameByHandleW;

bool MarkForDeletion(ErrorState& error, HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    BOOL marked = FALSE;
    DWORD code = SystemCall([&] {
        marked = SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    });
    if (!marked) RecordSystemError(error, code);
    return marked != 0;
}

bool SetHandleAttributes(ErrorState& error, HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // times of 0 stay as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    BOOL set = FALSE;
    DWORD code = SystemCall([&] { set = SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic); });
    if (!set) RecordSystemError(error, code);
    return set != 0;
}

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
    wchar_t wide[kMaxWide];
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kMaxWide) > 0 && IdentityOfPathW(wide, identity);
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

namespace {

// Runs call() with WoW64's file system redirection off, where there is one: for a 32-bit
// process on 64-bit Windows, the native "C:\Windows\System32" that a path from the system
// names would otherwise be taken for SysWOW64. Redirection is the thread's own, and loading a
// DLL on this thread depends on it: it is back on before this returns.
template <typename Call>
void WithoutRedirection(Call call) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto disable = reinterpret_cast<decltype(&Wow64DisableWow64FsRedirection)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto revert = reinterpret_cast<decltype(&Wow64RevertWow64FsRedirection)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID previous = nullptr;
    bool disabled = disable && revert && disable(&previous);
    call();
    if (disabled) revert(previous);
}

}  // namespace

bool IdentityOfSystemPath(const wchar_t* path, FileIdentity* identity) {
    bool found = false;
    WithoutRedirection([&] { found = IdentityOfPathW(path, identity); });
    return found;
}

namespace {

// Cuts a full path before its last separator, keeping a drive root's own ("C:\", "\\?\C:\"):
// without it the path names the volume. Returns where the name starts, 0 when there is none.
size_t CutBeforeName(wchar_t* path) {
    size_t cut = 0, n = 0;
    for (; path[n]; ++n)
        if (path[n] == L'\\') cut = n;
    if (cut == 0 || cut + 1 >= n) return 0;
    path[path[cut - 1] == L':' ? cut + 1 : cut] = 0;
    return cut + 1;
}

// A folder's identity; a share's root ("\\server\share") may need its separator to be opened.
bool IdentityOfFolder(wchar_t* folder, bool systemPath, FileIdentity* identity) {
    auto identify = [&] { return systemPath ? IdentityOfSystemPath(folder, identity) : IdentityOfPathW(folder, identity); };
    if (identify()) return true;
    size_t n = lstrlenW(folder);
    if (n == 0 || n + 1 >= kMaxWide || folder[n - 1] == L'\\') return false;
    folder[n] = L'\\';
    folder[n + 1] = 0;
    return identify();
}

}  // namespace

bool FinalFolderAndName(HANDLE file, FileIdentity* folder, wchar_t (&name)[kMaxWide]) {
    wchar_t final[kMaxWide];
    DWORD n = FinalPathQuery(file, final, kMaxWide, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= kMaxWide) return false;
    wchar_t copy[kMaxWide];
    lstrcpyW(copy, final);
    size_t at = CutBeforeName(final);
    if (at == 0) return false;
    lstrcpyW(name, copy + at);
    return IdentityOfFolder(final, true, folder);
}

bool IsFileAtPath(HANDLE file, const char* path) {
    wchar_t wide[kMaxWide], full[kMaxWide], finalName[kMaxWide];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kMaxWide) <= 0) return false;
    DWORD n = GetFullPathNameW(wide, kMaxWide, full, nullptr);
    if (n == 0 || n >= kMaxWide) return false;
    // The name the folder lists for the path: a short name or another case reads as the entry's own.
    WIN32_FIND_DATAW entry;
    HANDLE search = INVALID_HANDLE_VALUE;
    SystemCall([&] { search = FindFirstFileW(full, &entry); });
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    FileIdentity named, final;
    return CutBeforeName(full) != 0 && IdentityOfFolder(full, false, &named) && FinalFolderAndName(file, &final, finalName) &&
           SameIdentity(named, final) && CompareStringOrdinal(finalName, -1, entry.cFileName, -1, TRUE) == CSTR_EQUAL;
}

HANDLE OpenSystemPath(const wchar_t* path, DWORD access, DWORD flags, DWORD* code) {
    HANDLE h = INVALID_HANDLE_VALUE;
    WithoutRedirection([&] {
        *code = SystemCall([&] { h = CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr); });
    });
    return h;
}

HANDLE CreateAtSystemPath(const wchar_t* path, DWORD access, DWORD* code) {
    HANDLE h = INVALID_HANDLE_VALUE;
    WithoutRedirection([&] {
        *code = SystemCall([&] { h = CreateFileW(path, access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr); });
    });
    return h;
}

DWORD RenameToSystemPath(HANDLE file, const wchar_t* path) {
    const int n = lstrlenW(path);
    const DWORD size = sizeof(FILE_RENAME_INFO) + n * sizeof(wchar_t);
    FILE_RENAME_INFO* rename = static_cast<FILE_RENAME_INFO*>(calloc(1, size));
    if (!rename) return ERROR_NOT_ENOUGH_MEMORY;
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = n * sizeof(wchar_t);
    CopyMemory(rename->FileName, path, n * sizeof(wchar_t));
    BOOL renamed = FALSE;
    DWORD code = 0;
    WithoutRedirection([&] {
        code = SystemCall([&] { renamed = SetFileInformationByHandle(file, FileRenameInfo, rename, size); });
    });
    free(rename);
    return renamed ? 0 : (code != 0 ? code : ERROR_ACCESS_DENIED);
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

