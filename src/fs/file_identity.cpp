#include "fs/file_identity.h"

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

// Opened with WoW64's file system redirection off, where there is one: for a 32-bit process
// on 64-bit Windows, the native "C:\Windows\System32" that such a path names would otherwise
// be taken for SysWOW64. Redirection is the thread's own, and every later path and DLL load of
// the thread depends on it: it goes back on at once, with the value the disable call gave.
bool IdentityOfSystemPath(const wchar_t* path, FileIdentity* identity) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto disable = reinterpret_cast<decltype(&Wow64DisableWow64FsRedirection)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto revert = reinterpret_cast<decltype(&Wow64RevertWow64FsRedirection)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID previous = nullptr;
    bool disabled = disable && revert && disable(&previous);
    bool found = IdentityOfPathW(path, identity);
    if (disabled) revert(previous);
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

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

