#include "fs/known_folders.h"

#include <windows.h>
#include <initguid.h>
#include <knownfolders.h>
#include <objbase.h>
#include <stdlib.h>

namespace {

// shell32, loaded when a removal first asks for a known folder.
KnownFolderPathFn gShellQuery;
bool gShellLoaded;

HRESULT WINAPI AskShell(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path) {
    if (!gShellLoaded) {
        gShellLoaded = true;
        HMODULE shell = LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (shell)
            gShellQuery = reinterpret_cast<KnownFolderPathFn>(
                reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
    }
    return gShellQuery ? gShellQuery(id, flags, token, path) : E_NOTIMPL;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A known folder: its full path, without a trailing separator (a root keeps its own), and
// its identity when it is there.
struct Place {
    wchar_t path[kMaxWide];
    bool hasIdentity;
    FileIdentity identity;
};

bool MakePlace(const wchar_t* path, Place* place) {
    DWORD n = GetFullPathNameW(path, kMaxWide, place->path, nullptr);
    if (n == 0 || n >= kMaxWide) return false;
    while (n > 3 && IsSeparator(place->path[n - 1])) place->path[--n] = 0;
    place->hasIdentity = IdentityOfPathW(place->path, &place->identity);
    return true;
}

bool SameName(const wchar_t* path, const Place& place) {
    return CompareStringOrdinal(path, -1, place.path, -1, TRUE) == CSTR_EQUAL;
}

bool SameThing(const FileIdentity& identity, const Place& place) {
    return place.hasIdentity && SameIdentity(identity, place.identity);
}

// Places, each kept once.
struct Places {
    static const int kMax = 48;
    Place items[kMax];
    int count;
    void Add(const wchar_t* path) {
        if (!path || !*path || count == kMax) return;
        if (MakePlace(path, &items[count])) ++count;
    }
    void AddKnown(REFKNOWNFOLDERID id, const wchar_t* below = nullptr) {
        PWSTR found = nullptr;
        if (FAILED(KnownFolderQuery(id, 0, nullptr, &found)) || !found) {
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
    bool Named(const wchar_t* path) const {
        for (int i = 0; i < count; ++i)
            if (SameName(path, items[i])) return true;
        return false;
    }
    bool Holds(const FileIdentity& identity) const {
        for (int i = 0; i < count; ++i)
            if (SameThing(identity, items[i])) return true;
        return false;
    }
};

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)); }

// Calls visit(path) for each folder in parent (links too: a drive mapped onto one reaches
// what it points to).
template <typename Visit>
void ForEachFolderIn(const wchar_t* parent, Visit visit) {
    wchar_t path[kMaxWide];
    int n = lstrlenW(parent);
    if (n + 3 >= kMaxWide) return;
    lstrcpyW(path, parent);
    lstrcpyW(path + n, L"\\*");
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDots(entry.cFileName) ||
            n + 1 + lstrlenW(entry.cFileName) >= kMaxWide)
            continue;
        lstrcpyW(path + n + 1, entry.cFileName);
        visit(path);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

// Identities of folders found by listing others.
struct Identities {
    static const int kMax = 512;
    FileIdentity items[kMax];
    int count;
    void Add(const wchar_t* path) {
        if (count < kMax && IdentityOfPathW(path, &items[count])) ++count;
    }
    bool Holds(const FileIdentity& identity) const {
        for (int i = 0; i < count; ++i)
            if (SameIdentity(identity, items[i])) return true;
        return false;
    }
};

UINT WINAPI TempFolder(LPWSTR path, UINT size) { return GetTempPathW(size, path); }

// A profile folder and every folder up to two levels below it: three levels below the folder
// of profiles.
const int kProfileDepth = 3;

// The known folders, looked up once per judgement: too large for the stack, so allocated.
struct KnownPlaces {
    Places windows;   // the Windows folder and the system folders: nothing inside is the product's
    Places exact;     // folders whose own files are not the product's, though folders below may be
    Places profiles;  // the folder of profiles
    Identities profileFolders;  // each profile, and the user's own wherever it is
    Identities belowProfiles;   // every folder directly below a profile
    Place levels[kMostFolderLevels];
};

void CollectKnownPlaces(KnownPlaces& known) {
    known.windows.AddKnown(FOLDERID_Windows);
    known.windows.AddFolderQuery(GetWindowsDirectoryW);
    known.windows.AddFolderQuery(GetSystemWindowsDirectoryW);
    known.profiles.AddKnown(FOLDERID_UserProfiles);

    static const GUID* const kExact[] = {
        &FOLDERID_ProgramFiles,     &FOLDERID_ProgramFilesX86,     &FOLDERID_ProgramFilesCommon,
        &FOLDERID_ProgramFilesCommonX86, &FOLDERID_ProgramData,    &FOLDERID_Public,
        &FOLDERID_PublicDesktop,    &FOLDERID_PublicDocuments,     &FOLDERID_StartMenu,
        &FOLDERID_CommonStartMenu,  &FOLDERID_Programs,            &FOLDERID_CommonPrograms,
        &FOLDERID_Startup,          &FOLDERID_CommonStartup,       &FOLDERID_Profile,
        &FOLDERID_Desktop,          &FOLDERID_Documents,           &FOLDERID_Downloads,
        &FOLDERID_Music,            &FOLDERID_Pictures,            &FOLDERID_Videos,
        &FOLDERID_LocalAppData,     &FOLDERID_RoamingAppData,      &FOLDERID_UserProgramFiles,
    };
    Places& exact = known.exact;
    for (const GUID* id : kExact) exact.AddKnown(*id);
    // The per-user programs folder, where the query above is not answered.
    exact.AddKnown(FOLDERID_LocalAppData, L"\\Programs");
    exact.AddEnvironment(L"ProgramFiles");
    exact.AddEnvironment(L"ProgramW6432");
    exact.AddEnvironment(L"CommonProgramFiles");
    exact.AddEnvironment(L"CommonProgramW6432");
    exact.AddNativeProgramFiles(L"ProgramW6432Dir");
    exact.AddNativeProgramFiles(L"CommonW6432Dir");
    exact.AddFolderQuery(TempFolder);
}

// A drive letter or share mapped onto a folder (a substituted drive, a mapped network drive)
// makes that folder the root of the path: the root's place is found among the profiles and
// the folders directly below them, by identity. Listed only when the folder lies close enough
// below its root for either to matter.
void CollectProfileFolders(KnownPlaces& known, int levelsBelowRoot) {
    if (levelsBelowRoot > kProfileDepth - 1) return;
    bool below = levelsBelowRoot <= kProfileDepth - 2;
    for (int i = 0; i < known.profiles.count; ++i)
        ForEachFolderIn(known.profiles.items[i].path, [&](const wchar_t* profile) {
            known.profileFolders.Add(profile);
            if (below) ForEachFolderIn(profile, [&](const wchar_t* inside) { known.belowProfiles.Add(inside); });
        });
    // The user's own profile, wherever it lies.
    PWSTR own = nullptr;
    if (SUCCEEDED(KnownFolderQuery(FOLDERID_Profile, 0, nullptr, &own)) && own) {
        known.profileFolders.Add(own);
        if (below) ForEachFolderIn(own, [&](const wchar_t* inside) { known.belowProfiles.Add(inside); });
    }
    if (own) CoTaskMemFree(own);
}

// The length of a full path's root: "C:\" or "\\server\share".
int WideRootLength(const wchar_t* path) {
    if (path[0] && path[1] == L':') return 3;
    if (!(IsSeparator(path[0]) && IsSeparator(path[1]))) return 0;
    int i = 2, separators = 0;
    for (; path[i]; ++i)
        if (IsSeparator(path[i]) && ++separators == 2) break;
    return i;
}

// The folder, then each folder above it up to its root, as full paths (identities unread).
int LevelsUp(const wchar_t* folder, Place* levels, int most) {
    wchar_t path[kMaxWide];
    DWORD n = GetFullPathNameW(folder, kMaxWide, path, nullptr);
    if (n == 0 || n >= kMaxWide) return 0;
    DWORD root = static_cast<DWORD>(WideRootLength(path));
    if (root == 0) return 0;
    int count = 0;
    for (;;) {
        while (n > root && IsSeparator(path[n - 1])) path[--n] = 0;
        if (count == most) break;
        lstrcpyW(levels[count].path, path);
        levels[count].hasIdentity = false;
        ++count;
        if (n <= root) break;
        while (n > root && !IsSeparator(path[n - 1])) --n;  // the last level goes
        path[n] = 0;
    }
    return count;
}

// True when a folder whose levels up from it (k = 0: the folder itself) are named so lies in
// a known place.
bool KnownByName(const Place* levels, int count, const KnownPlaces& known) {
    if (count == 0) return true;
    if (known.exact.Named(levels[0].path)) return true;
    for (int k = 0; k < count; ++k) {
        if (known.windows.Named(levels[k].path)) return true;
        if (k <= kProfileDepth && known.profiles.Named(levels[k].path)) return true;
    }
    return false;
}

// The same for the held levels, by identity: level i lies count - 1 - i levels above the folder.
bool KnownByIdentity(const HeldFolder& held, const KnownPlaces& known) {
    int last = held.count - 1;
    if (known.exact.Holds(held.identities[last])) return true;
    for (int i = 0; i <= last; ++i) {
        int above = last - i;
        if (known.windows.Holds(held.identities[i])) return true;
        if (above <= kProfileDepth && known.profiles.Holds(held.identities[i])) return true;
    }
    // Only the root can stand for a folder elsewhere: every level below it is no link.
    return (last <= kProfileDepth - 1 && known.profileFolders.Holds(held.identities[0])) ||
           (last <= kProfileDepth - 2 && known.belowProfiles.Holds(held.identities[0]));
}

// The final path of the held folder, as a plain full path ("C:\..." or "\\server\share\...").
bool FinalPathOf(const HeldFolder& held, wchar_t* path) {
    wchar_t final[kMaxWide];
    DWORD n = FinalPathQuery(held.levels[held.count - 1], final, kMaxWide, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= kMaxWide) return false;
    const wchar_t* plain = final;
    if (CompareStringOrdinal(final, 8, L"\\\\?\\UNC\\", 8, TRUE) == CSTR_EQUAL) {
        lstrcpyW(path, L"\\\\");
        lstrcatW(path, final + 8);
        return true;
    }
    if (CompareStringOrdinal(final, 4, L"\\\\?\\", 4, FALSE) == CSTR_EQUAL) plain = final + 4;
    lstrcpyW(path, plain);
    return true;
}

}  // namespace

KnownFolderPathFn KnownFolderQuery = AskShell;

bool IsKnownFolder(const DynString& folder, const HeldFolder& held) {
    wchar_t wide[kMaxWide], final[kMaxWide];
    if (MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, kMaxWide) <= 0) return true;
    KnownPlaces* known = static_cast<KnownPlaces*>(calloc(1, sizeof(KnownPlaces)));
    if (!known) return true;
    CollectKnownPlaces(*known);
    CollectProfileFolders(*known, held.count - 1);
    bool isKnown = KnownByIdentity(held, *known) ||
                   KnownByName(known->levels, LevelsUp(wide, known->levels, kMostFolderLevels), *known) ||
                   !FinalPathOf(held, final) ||
                   KnownByName(known->levels, LevelsUp(final, known->levels, kMostFolderLevels), *known);
    free(known);
    return isKnown;
}

