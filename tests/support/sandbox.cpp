#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

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

void RemoveTree(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A link (reparse point) goes without its target.
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        for (const std::string& n : FolderEntries(path)) RemoveTree(path + "\\" + n);
        RemoveDirectoryA(path.c_str());
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
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
