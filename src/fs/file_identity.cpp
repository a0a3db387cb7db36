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

HANDLE OpenSystemPath(const wchar_t* path, DWORD access, DWORD flags, DWORD* code) {
    HANDLE h = INVALID_HANDLE_VALUE;
    WithoutRedirection([&] {
        *code = SystemCall([&] { h = CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr); });
    });
    return h;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

