#include "uninstall/removal_scope.h"

#include <windows.h>
#include <initguid.h>
#include <knownfolders.h>
#include <objbase.h>
#include <stdlib.h>

#include "fs/protection.h"
#include "fs/code_page.h"
#include "fs/system_call.h"

namespace {

const int kMaxWide = MAX_PATH * 2;

// A folder as the removal compares it: its full path, without a trailing separator (a root
// keeps its own), and its identity when it is there.
struct Place {
    wchar_t path[kMaxWide];
    bool hasIdentity;
    FileIdentity identity;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool MakePlace(const wchar_t* path, Place* place) {
    DWORD n = GetFullPathNameW(path, kMaxWide, place->path, nullptr);
    if (n == 0 || n >= kMaxWide) return false;
    while (n > 3 && IsSeparator(place->path[n - 1])) place->path[--n] = 0;
    place->hasIdentity = IdentityOfPathW(place->path, &place->identity);
    return true;
}

bool SamePlace(const Place& a, const Place& b) {
    if (CompareStringOrdinal(a.path, -1, b.path, -1, TRUE) == CSTR_EQUAL) return true;
    return a.hasIdentity && b.hasIdentity && SameIdentity(a.identity, b.identity);
}

// Some known folders have no ANSI API, and a profile name outside the code page has no ANSI
// name: these are asked for in UTF-16, from shell32 loaded out of the system folder when a
// removal first needs it (start-up never loads it).
typedef HRESULT(WINAPI* KnownFolderPathFn)(const GUID&, DWORD, HANDLE, PWSTR*);

KnownFolderPathFn KnownFolderPath() {
    static KnownFolderPathFn function = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE shell = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (shell)
            function = reinterpret_cast<KnownFolderPathFn>(
                reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
    }
    return function;
}

// Collects places, each at most once.
struct Places {
    static const int kMax = 48;
    Place items[kMax];
    int count;
    void Add(const wchar_t* path) {
        if (!path || !*path || count == kMax) return;
        if (MakePlace(path, &items[count])) ++count;
    }
    void AddKnown(const GUID& id, const wchar_t* below = nullptr) {
        KnownFolderPathFn query = KnownFolderPath();
        PWSTR found = nullptr;
        if (!query || FAILED(query(id, 0, nullptr, &found)) || !found) {
            if (found) CoTaskMemFree(found);
            return;
        }
        wchar_t path[kMaxWide];
        lstrcpynW(path, found, kMaxWide);
        CoTaskMemFree(found);
        if (below && lstrlenW(path) + lstrlenW(below) < kMaxWide) lstrcatW(path, below);
        Add(path);
    }
    void AddFolderQuery(UINT(WINAPI* query)(LPWSTR, UINT)) {
        wchar_t path[kMaxWide];
        UINT n = query(path, kMaxWide);
        if (n > 0 && n < kMaxWide) Add(path);
    }
    void AddEnvironment(const wchar_t* name) {
        wchar_t path[kMaxWide];
        DWORD n = GetEnvironmentVariableW(name, path, kMaxWide);
        if (n > 0 && n < kMaxWide) Add(path);
    }
    // The 64-bit registry view names the native Program Files folders even to a 32-bit
    // process running on 64-bit Windows.
    void AddNativeProgramFiles(const wchar_t* value) {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                          KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
            return;
        wchar_t path[kMaxWide];
        DWORD type = 0, size = sizeof path - sizeof(wchar_t);
        if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            path[size / sizeof(wchar_t)] = 0;
            Add(path);
        }
        RegCloseKey(key);
    }
};

UINT WINAPI TempFolder(LPWSTR path, UINT size) { return GetTempPathW(size, path); }

void WindowsFolders(Places& places) {
    places.AddKnown(FOLDERID_Windows);
    places.AddFolderQuery(GetWindowsDirectoryW);
    places.AddFolderQuery(GetSystemWindowsDirectoryW);
}

// The known folders whose own files are not the product's, though folders below them may be.
void ExactKnownFolders(Places& places) {
    static const GUID* const kKnown[] = {
        &FOLDERID_ProgramFiles,     &FOLDERID_ProgramFilesX86,     &FOLDERID_ProgramFilesCommon,
        &FOLDERID_ProgramFilesCommonX86, &FOLDERID_ProgramData,    &FOLDERID_Public,
        &FOLDERID_PublicDesktop,    &FOLDERID_PublicDocuments,     &FOLDERID_StartMenu,
        &FOLDERID_CommonStartMenu,  &FOLDERID_Programs,            &FOLDERID_CommonPrograms,
        &FOLDERID_Startup,          &FOLDERID_CommonStartup,       &FOLDERID_Profile,
        &FOLDERID_Desktop,          &FOLDERID_Documents,           &FOLDERID_Downloads,
        &FOLDERID_Music,            &FOLDERID_Pictures,            &FOLDERID_Videos,
        &FOLDERID_LocalAppData,     &FOLDERID_RoamingAppData,      &FOLDERID_UserProgramFiles,
    };
    for (const GUID* id : kKnown) places.AddKnown(*id);
    // The per-user programs folder, where the query above is not answered.
    places.AddKnown(FOLDERID_LocalAppData, L"\\Programs");
    places.AddEnvironment(L"ProgramFiles");
    places.AddEnvironment(L"ProgramW6432");
    places.AddEnvironment(L"CommonProgramFiles");
    places.AddEnvironment(L"CommonProgramW6432");
    places.AddNativeProgramFiles(L"ProgramW6432Dir");
    places.AddNativeProgramFiles(L"CommonW6432Dir");
    places.AddFolderQuery(TempFolder);
}

// A profile folder and every folder up to two levels below it: three levels below the folder
// of profiles.
const int kProfileDepth = 3;

// The length of a full path's root: "C:\" or "\\server\share".
int WideRootLength(const wchar_t* path) {
    if (path[0] && path[1] == L':') return 3;
    if (!(IsSeparator(path[0]) && IsSeparator(path[1]))) return 0;
    int i = 2, separators = 0;
    for (; path[i]; ++i)
        if (IsSeparator(path[i]) && ++separators == 2) break;
    return i;
}

// The folder, then each folder above it up to its root, as places.
int LevelsUp(const wchar_t* folder, Place* levels, int most) {
    wchar_t path[kMaxWide];
    DWORD n = GetFullPathNameW(folder, kMaxWide, path, nullptr);
    if (n == 0 || n >= kMaxWide) return 0;
    DWORD root = static_cast<DWORD>(WideRootLength(path));
    if (root == 0) return 0;
    int count = 0;
    for (;;) {
        while (n > root && IsSeparator(path[n - 1])) path[--n] = 0;
        if (count == most || !MakePlace(path, &levels[count])) break;
        ++count;
        if (n <= root) break;
        while (n > root && !IsSeparator(path[n - 1])) --n;  // the last level goes
        path[n] = 0;
    }
    return count;
}

// What one look at the known folders compares: too large for the stack, so allocated.
const int kMostLevels = 128;
struct KnownPlaces {
    Place levels[kMostLevels];
    Places windows, profiles, exact;
};

bool IsKnown(const wchar_t* wide, KnownPlaces& known) {
    int count = LevelsUp(wide, known.levels, kMostLevels);
    if (count == 0) return true;
    const Place* levels = known.levels;
    WindowsFolders(known.windows);
    known.profiles.AddKnown(FOLDERID_UserProfiles);
    ExactKnownFolders(known.exact);

    for (int i = 0; i < known.exact.count; ++i)
        if (SamePlace(levels[0], known.exact.items[i])) return true;
    for (int k = 0; k < count; ++k) {
        for (int i = 0; i < known.windows.count; ++i)
            if (SamePlace(levels[k], known.windows.items[i])) return true;
        if (k <= kProfileDepth)
            for (int i = 0; i < known.profiles.count; ++i)
                if (SamePlace(levels[k], known.profiles.items[i])) return true;
    }
    return false;
}

}  // namespace

bool IsKnownFolder(const DynString& folder) {
    // A folder that can't be compared is not taken as a whole.
    wchar_t wide[kMaxWide];
    if (MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, kMaxWide) <= 0) return true;
    KnownPlaces* known = static_cast<KnownPlaces*>(calloc(1, sizeof(KnownPlaces)));
    if (!known) return true;
    bool isKnown = IsKnown(wide, *known);
    free(known);
    return isKnown;
}

FolderJudgement JudgeRecordedFolder(const DynString& folder, HeldFolder* keep) {
    RemovalScope scope = ScopeOfFolderText(folder.c_str(), folder.size(), AnsiLeadBytes());
    if (scope == RemoveNothing) return kNoUsableFolder;
    HeldFolder held = {};
    HoldResult hold = HoldFolder(folder, FolderRootLength(folder.c_str(), folder.size(), AnsiLeadBytes()), held);
    if (hold == kCannotHold) return kCannotJudge;
    FolderJudgement judgement = scope == RemoveWholeFolder && !IsKnownFolder(folder) ? kWholeFolder
                                                                                      : kProductFilesOnly;
    if (keep && hold == kHeld)
        *keep = held;
    else
        ReleaseFolder(held);
    return judgement;
}

RemovalScope DecideRemovalScope(const DynString& folder) {
    switch (JudgeRecordedFolder(folder)) {
    case kProductFilesOnly: return RemoveProductFilesOnly;
    case kWholeFolder: return RemoveWholeFolder;
    default: return RemoveNothing;
    }
}

FolderJudgement WithinTrust(FolderJudgement judgement, bool recordTrusted, const HeldFolder& held) {
    if (judgement != kWholeFolder) return judgement;
    bool trusted = recordTrusted && held.exists && IsTrustedObject(held.levels[held.count - 1]);
    return trusted ? kWholeFolder : kProductFilesOnly;
}
