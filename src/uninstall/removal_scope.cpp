#include "uninstall/removal_scope.h"

#include <windows.h>

#include "fs/code_page.h"
#include "fs/system_call.h"

// True when a level of the folder below its root is a reparse point, or cannot be looked
// at for a reason other than not being there. Looked at quietly: no "insert a disk" box
// for a drive without media.
static bool PassesThroughLink(const DynString& folder) {
    size_t root = FolderRootLength(folder.c_str(), folder.size(), AnsiLeadBytes());
    for (size_t i = root + 1; i <= folder.size(); ++i) {
        if (i < folder.size() && folder[i] != '\\' && folder[i] != '/') continue;
        DynString level = folder.Sub(0, i);
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        DWORD lastError = SystemCall([&] { attributes = GetFileAttributesA(level.c_str()); });
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return lastError != ERROR_FILE_NOT_FOUND && lastError != ERROR_PATH_NOT_FOUND;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;  // nothing lies below a file
    }
    return false;
}

static bool FullPath(const char* path, char* full) {
    DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    while (n > 3 && (full[n - 1] == '\\' || full[n - 1] == '/')) full[--n] = 0;
    return true;
}

static bool Identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    bool ok = false;
    SystemCall([&] {
        HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, info);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    });
    return ok;
}

// The same folder by name (case aside), or by volume and file index (other spellings:
// short names, another drive letter or share for the same disk).
static bool SameFolder(const char* a, const char* b) {
    char fullA[MAX_PATH], fullB[MAX_PATH];
    if (FullPath(a, fullA) && FullPath(b, fullB) && lstrcmpiA(fullA, fullB) == 0) return true;
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    return Identity(a, &infoA) && Identity(b, &infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

static bool IsSystemFolder(const char* folder) {
    char system[MAX_PATH];
    typedef UINT(WINAPI * FolderQuery)(LPSTR, UINT);
    const FolderQuery queries[] = {GetWindowsDirectoryA, GetSystemWindowsDirectoryA,
                                   GetSystemDirectoryA, GetSystemWow64DirectoryA};
    for (FolderQuery query : queries) {
        UINT n = query(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH && SameFolder(folder, system)) return true;
    }
    return false;
}

RemovalScope DecideRemovalScope(const DynString& folder) {
    RemovalScope scope = ScopeOfFolderText(folder.c_str(), folder.size(), AnsiLeadBytes());
    if (scope == RemoveNothing) return RemoveNothing;
    if (PassesThroughLink(folder)) return RemoveNothing;
    if (scope == RemoveWholeFolder && IsSystemFolder(folder.c_str())) return RemoveProductFilesOnly;
    return scope;
}
