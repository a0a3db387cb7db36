#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <string.h>

#include <algorithm>
#include <cstdlib>

void EnterSandboxDrive() {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    if ((current[0] | 0x20) == 'z') {
        fprintf(stderr, "refusing to run with the host's / (z:) as the current drive\n");
        abort();
    }
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path, bool* exists) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (exists) *exists = h != INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot write " << path << " error " << GetLastError();
    DWORD put = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
}

void MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = found.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// By UTF-16 names: a name outside the ANSI code page has no ANSI name to delete it by.
void RemoveTreeW(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A link (reparse point) goes without its target.
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring n = found.cFileName;
                if (n != L"." && n != L"..") RemoveTreeW(path + L"\\" + n);
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(path.c_str());
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

}  // namespace

void RemoveTree(const std::string& path) {
    wchar_t wide[MAX_PATH * 2];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2) > 0) RemoveTreeW(wide);
}

std::string DaclText(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "?";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    char* text = nullptr;
    if (GetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                        &descriptor) == ERROR_SUCCESS)
        ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr);
    CloseHandle(h);
    std::string dacl = text ? text : "?";
    LocalFree(text);
    LocalFree(descriptor);
    return dacl;
}

void SetDaclText(const std::string& path, const std::string& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                     nullptr))
        << sddl;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    HANDLE h = CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    if (h != INVALID_HANDLE_VALUE) {
        EXPECT_EQ(SetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr),
                  static_cast<DWORD>(ERROR_SUCCESS))
            << path;
        CloseHandle(h);
    }
    LocalFree(descriptor);
}

bool OnlyOwnerAndAdministratorsMayChange(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    DWORD read = GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                 nullptr, &dacl, nullptr, &descriptor);
    CloseHandle(h);
    const ACCESS_MASK change = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                               FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    bool only = read == ERROR_SUCCESS && owner && dacl;
    for (DWORD i = 0; only && i < dacl->AceCount; ++i) {
        ACE_HEADER* entry = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&entry))) only = false;
        else if (entry->AceType != ACCESS_ALLOWED_ACE_TYPE) only = entry->AceType == ACCESS_DENIED_ACE_TYPE;
        else {
            ACCESS_ALLOWED_ACE* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(entry);
            PSID sid = &allowed->SidStart;
            only = !(allowed->Mask & change) || EqualSid(sid, owner) ||
                   IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid);
        }
    }
    LocalFree(descriptor);
    return only;
}

void CanarySet::Plant(const std::string& path, DWORD attributes) {
    std::string bytes = "canary " + path + "\r\n";
    MakeFolders(path.substr(0, path.rfind('\\')));
    WriteFileBytes(path, bytes);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
    // As the system reports them back (an archive bit, say).
    files.push_back({path, bytes, GetFileAttributesA(path.c_str())});
}

void CanarySet::ExpectIntact() const {
    for (const Canary& c : files) {
        bool exists = false;
        EXPECT_EQ(ReadFileBytes(c.path, &exists), c.bytes) << c.path;
        EXPECT_TRUE(exists) << c.path;
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), c.attributes) << c.path;
    }
}

const char* const kProductFiles[5] = {"qb.exe", "QBmanual100.PDF", "QBmanual100.doc",
                                      "QBmanual100.txt", "QBinstaller100.exe"};

std::string SampleBytes(const std::string& name) {
    std::string bytes = "sample " + name + "\r\n";
    for (int i = 0; i < 64; ++i) bytes += static_cast<char>(name.size() * 7 + i);
    return bytes;
}

void StageProduct(const std::string& folder) {
    MakeFolders(folder);
    for (int i = 0; i < 4; ++i) WriteFileBytes(folder + "\\" + kProductFiles[i], SampleBytes(kProductFiles[i]));
    std::string target = folder + "\\QBinstaller100.exe";
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileA(QB_PRODUCT_EXE, target.c_str(), FALSE))
        << "cannot copy " << QB_PRODUCT_EXE << " error " << GetLastError();
}

void ResetSandbox() {
    RemoveTree("c:\\zarvo");
    RemoveTree("c:\\quorbelregistry.dat");
}

namespace {

std::string WithSeparator(const std::string& folder) {
    return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

// Starts the host tool with `command`, its current folder `folder`; true when it started.
// Wine gives no handle of a host program's process (the callers wait for its effect), and
// leaves a stray value where the thread's handle would be: closing it would close some other
// handle of this process.
bool HostTool(const std::string& folder, const std::string& command) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string tool = std::string(temp) + "qb-folder-link.exe";
    const std::string script =
        "#!/bin/sh\n"
        "case \"$1\" in\n"
        "  make) exec ln -s -- \"$2\" \"$3\" ;;\n"
        "  filelink) ln -s -- \"$2\" \"$3\" && exec touch -- \"$3.made\" ;;\n"
        "  unlink) if [ -L \"$2\" ]; then rm -f -- \"$2\"; fi; exec touch -- \"$2.gone\" ;;\n"
        "  remove) [ -L \"$2\" ] && exec rm -f -- \"$2\" ;;\n"
        "  lock) exec chmod 000 -- \"$2\" ;;\n"
        "  unlock) exec chmod 755 -- \"$2\" ;;\n"
        "esac\n"
        "case \"$1 $2\" in\n"
        "  'drive '[d-y]:) exec ln -sfn -- \"$PWD\" \"$WINEPREFIX/dosdevices/$2\" ;;\n"
        "  'undrive '[d-y]:) exec rm -f -- \"$WINEPREFIX/dosdevices/$2\" ;;\n"
        "esac\n"
        "exit 2\n";
    // Written once: Wine keeps a started file open for a while.
    if (ReadFileBytes(tool) != script) WriteFileBytes(tool, script);
    std::string commandLine = "qb-folder-link " + command;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(tool.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  WithSeparator(folder).c_str(), &startup, &process);
    if (process.hProcess) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return started != 0;
}

// Waits for done() to come true.
template <typename Done>
bool WaitFor(Done done) {
    for (int waited = 0; waited < kPatienceMs; waited += 20) {
        if (done()) return true;
        Sleep(20);
    }
    return done();
}

}  // namespace

bool IsReparsePoint(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

void MakeFolderLink(const std::string& parent, const std::string& name, const std::string& target) {
    ASSERT_TRUE(HostTool(parent, "make " + target + " " + name));
    std::string link = WithSeparator(parent) + name;
    ASSERT_TRUE(WaitFor([&] { return IsReparsePoint(link); })) << link << " is no reparse point";
}

void MakeFileLink(const std::string& parent, const std::string& name, const std::string& target) {
    ASSERT_TRUE(HostTool(parent, "filelink " + target + " " + name));
    // A link whose target is missing is not seen at all: the tool says when it is done.
    std::string made = WithSeparator(parent) + name + ".made";
    ASSERT_TRUE(WaitFor([&] { return GetFileAttributesA(made.c_str()) != INVALID_FILE_ATTRIBUTES; }))
        << WithSeparator(parent) + name << " was not made";
    DeleteFileA(made.c_str());
}

bool IsFileLink(const std::string& parent, const std::string& name) {
    std::string path = WithSeparator(parent) + name;
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char final[MAX_PATH * 2] = {}, full[MAX_PATH * 2] = {};
    DWORD n = GetFinalPathNameByHandleA(h, final, sizeof final, FILE_NAME_NORMALIZED);
    CloseHandle(h);
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    const char* plain = n > 4 && strncmp(final, "\\\\?\\", 4) == 0 ? final + 4 : final;
    return n > 0 && lstrcmpiA(plain, full) != 0;
}

void RemoveFileLink(const std::string& parent, const std::string& name) {
    // A plain file stays; a link whose target is missing can't be seen, so the tool looks.
    std::string link = WithSeparator(parent) + name;
    if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES && !IsFileLink(parent, name)) return;
    HostTool(parent, "unlink " + name);
    std::string gone = link + ".gone";
    WaitFor([&] { return GetFileAttributesA(gone.c_str()) != INVALID_FILE_ATTRIBUTES; });
    DeleteFileA(gone.c_str());
}

void RemoveFolderLink(const std::string& parent, const std::string& name) {
    std::string link = WithSeparator(parent) + name;
    if (!IsReparsePoint(link)) return;
    HostTool(parent, "remove " + name);
    WaitFor([&] { return !IsReparsePoint(link); });
}

namespace {

// Whether the entry can be entered (a folder) or read (a file).
bool CanReach(const std::string& path, bool folder) {
    if (folder)
        return GetFileAttributesA((path + "\\probe").c_str()) != INVALID_FILE_ATTRIBUTES ||
               GetLastError() != ERROR_ACCESS_DENIED;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_ACCESS_DENIED;
    CloseHandle(h);
    return true;
}

void Lock(const std::string& parent, const std::string& name, bool locked, bool folder) {
    std::string path = WithSeparator(parent) + name;
    ASSERT_TRUE(HostTool(parent, std::string(locked ? "lock " : "unlock ") + name));
    bool changed = WaitFor([&] { return CanReach(path, folder) != locked; });
    EXPECT_TRUE(changed) << path << (locked ? " can still be reached" : " still can't be reached");
}

}  // namespace

void LockFolder(const std::string& parent, const std::string& name, bool locked) { Lock(parent, name, locked, true); }
void LockFile(const std::string& parent, const std::string& name, bool locked) { Lock(parent, name, locked, false); }

void MapDrive(const std::string& drive, const std::string& folder) {
    ASSERT_TRUE(HostTool(folder, "drive " + drive)) << drive << " onto " << folder;
    ASSERT_TRUE(WaitFor([&] { return FolderExists(drive + "\\"); })) << drive << " is not there";
}

void UnmapDrive(const std::string& drive) {
    HostTool("c:\\", "undrive " + drive);
    WaitFor([&] { return !FolderExists(drive + "\\"); });
}
