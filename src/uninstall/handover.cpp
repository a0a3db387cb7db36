#include "uninstall/handover.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/product.h"
#include "base/record_text.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "fs/system_call.h"
#include "run/record.h"
#include "uninstall/removal_scope.h"

namespace {

// The installer is the product table's last file.
const int kProgramIndex = kProductFileCount - 1;
const char* const kProgram = kProductFileNames[kProgramIndex];
const DWORD kRetryPause = 200;  // milliseconds between two attempts to delete the program file

// The copy the hand-over runs from, open without write or delete sharing from before it
// starts until this process ends, so that nobody swaps it in between.
HANDLE gHeldCopy = nullptr;

// True only when the path is known not to be there: a path that can't be looked at counts
// as present.
bool Absent(const DynString& path) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD code = SystemCall([&] { attributes = GetFileAttributesA(path.c_str()); });
    return attributes == INVALID_FILE_ATTRIBUTES &&
           (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND);
}

DynString ProductPath(const DynString& folder, int index) {
    return folder + "\\" + kProductFileNames[index];
}

// True when no product file but the one at index `except` (none for -1) is there.
bool OtherProductFilesAbsent(const DynString& folder, int except) {
    for (int i = 0; i < kProductFileCount; ++i)
        if (i != except && !Absent(ProductPath(folder, i))) return false;
    return true;
}

// The same name, case aside, and the same file on disk.
bool SameFile(const char* a, const char* b) {
    FileIdentity identityA, identityB;
    return lstrcmpiA(a, b) == 0 && IdentityOfPath(a, &identityA) && IdentityOfPath(b, &identityB) &&
           SameIdentity(identityA, identityB);
}

DynString Decimal(uintptr_t number) {
    char digits[24];
    char* p = digits + sizeof digits;
    *--p = 0;
    do {
        *--p = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    return DynString(p);
}

// A variable's value as a decimal number no greater than limit; false when it is not set,
// empty, holds anything but digits or is greater.
bool DecimalVariable(const char* name, uintptr_t limit, uintptr_t& number) {
    char value[32];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) return false;
    number = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (value[i] < '0' || value[i] > '9') return false;
        unsigned digit = static_cast<unsigned>(value[i] - '0');
        if (digit > limit || number > (limit - digit) / 10) return false;
        number = number * 10 + digit;
    }
    return true;
}

// ---- The removal's side ----

// A new folder of the hand-over's own in the temp folder.
bool MakeOwnFolder(const char* temp, DynString& folder) {
    DynString stem = DynString(temp) + kHandOverFolderPrefix + Decimal(GetCurrentProcessId()) + "-";
    DWORD seed = GetTickCount();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        folder = stem + Decimal(seed + attempt);
        // Elevated, the copy's folder gets the install folder's protection at creation: the
        // copy runs with this process's rights, so no other user may swap it.
        PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedFolder);
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, protection, FALSE};
        BOOL made = FALSE;
        DWORD code = SystemCall([&] {
            made = CreateDirectoryA(folder.c_str(), protection ? &attributes : nullptr);
        });
        LocalFree(protection);
        if (made) return true;
        if (code != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// Starts the copy with `parent` as its only inherited handle (the file services open files
// inheritable, and nothing of the removal may outlive it in another process) and with the
// variable that names that handle.
bool StartCopy(const DynString& copy, const char* currentFolder, HANDLE parent) {
    char commandLine[MAX_PATH + 3];
    if (copy.size() + 3 > sizeof commandLine) return false;
    commandLine[0] = '"';
    memcpy(commandLine + 1, copy.c_str(), copy.size());
    commandLine[copy.size() + 1] = '"';
    commandLine[copy.size() + 2] = 0;

    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    LPPROC_THREAD_ATTRIBUTE_LIST attributes = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(malloc(size));
    if (!attributes) return false;
    bool started = false;
    if (InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        STARTUPINFOEXA startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        PROCESS_INFORMATION process = {};
        started = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &parent,
                                            sizeof parent, nullptr, nullptr) &&
                  SetEnvironmentVariableA(kHandOverVariable, Decimal(reinterpret_cast<uintptr_t>(parent)).c_str()) &&
                  CreateProcessA(copy.c_str(), commandLine, nullptr, nullptr, TRUE,
                                 EXTENDED_STARTUPINFO_PRESENT, nullptr, currentFolder,
                                 &startup.StartupInfo, &process);
        SetEnvironmentVariableA(kHandOverVariable, nullptr);
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        DeleteProcThreadAttributeList(attributes);
    }
    free(attributes);
    return started;
}

bool LaunchHandOver(const char* program) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return false;
    DynString folder;
    if (!MakeOwnFolder(temp, folder)) return false;
    DynString copy = folder + "\\" + kProgram;

    HANDLE held = INVALID_HANDLE_VALUE;
    HANDLE parent = nullptr;
    bool started = false;
    if (copy.size() < MAX_PATH && CopyFileA(program, copy.c_str(), TRUE)) {
        // The copy takes the original's attributes; read-only would stand in the way of its
        // removal later.
        SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        held = CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (held != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &parent,
                        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        started = StartCopy(copy, temp, parent);
        CloseHandle(parent);
    }
    if (started) {
        gHeldCopy = held;
        return true;
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder.c_str());
    return false;
}

// ---- The copy's side ----

// The inherited handle the variable names, when it is a handle of another process; 0 otherwise.
HANDLE InheritedParent() {
    uintptr_t value = 0;
    if (!DecimalVariable(kHandOverVariable, UINTPTR_MAX, value)) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    // Only a process handle has a process id; -1 is this process's own pseudo handle.
    DWORD id = GetProcessId(handle);
    return id != 0 && id != GetCurrentProcessId() ? handle : nullptr;
}

DWORD RetryLimit() {
    uintptr_t limit = 0;
    return DecimalVariable(kHandOverRetryVariable, kHandOverRetryLimit, limit) ? static_cast<DWORD>(limit)
                                                                               : kHandOverRetryLimit;
}

// True when the file name of `image` is the program's.
bool IsProgramFile(const char* image) {
    size_t n = strlen(image), name = strlen(kProgram);
    return n > name && image[n - name - 1] == '\\' && lstrcmpiA(image + n - name, kProgram) == 0;
}

// True when the record names a folder and `image` is that folder's program file.
bool RecordNamesImage(const char* image, DynString& folder) {
    // Reading creates an absent record file empty: a hand-over that finds none makes none.
    if (Absent(DynString(kDefaultRecordPath))) return false;
    ErrorState error = {};
    if (!ReadRecord(error, kDefaultRecordPath, folder)) return false;
    return lstrcmpiA(image, ProductPath(folder, kProgramIndex).c_str()) == 0;
}

// Deletes the record through the handle that read it, so that it goes only while it names
// `folder` (not a record rewritten in between, not a link in its place).
void DeleteRecordNaming(const DynString& folder) {
    HANDLE record = INVALID_HANDLE_VALUE;
    SystemCall([&] {
        record = CreateFileA(kDefaultRecordPath, GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    if (record == INVALID_HANDLE_VALUE) return;
    char bytes[kRecordReadLimit];
    DWORD got = 0;
    DynString named;
    BY_HANDLE_FILE_INFORMATION info;
    if (ReadFile(record, bytes, sizeof bytes, &got, nullptr) && ParseRecord(bytes, got, named) &&
        named == folder && GetFileInformationByHandle(record, &info) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SystemCall([&] { SetFileInformationByHandle(record, FileDispositionInfo, &disposition, sizeof disposition); });
    }
    CloseHandle(record);
}

// The program file, in the folder held as the removal holds it; true when it is gone. The
// folder is judged again before every attempt, as the removal does before every delete.
bool DeleteProgramFile(const DynString& folder, FolderJudgement& judgement) {
    HeldFolder held = {};
    judgement = JudgeRecordedFolder(folder, &held);
    if (judgement < kProductFilesOnly) return false;
    ErrorState error = {};
    DeleteOutcome outcome = held.exists ? DeleteInHeldFolder(error, held, kProgram, true) : kAbsent;
    // The removal's sweep of every other plain file ended at the running program: it goes
    // on from there.
    bool gone = outcome == kDeleted || outcome == kAbsent;
    if (gone && held.exists && judgement == kWholeFolder) DeleteEveryPlainFile(error, held);
    ReleaseFolder(held);
    return gone;
}

// What the removal could not do while it ran from the folder.
void FinishRemoval(const DynString& folder) {
    const DWORD limit = RetryLimit();
    const DWORD start = GetTickCount();
    FolderJudgement judgement = kCannotJudge;
    while (!DeleteProgramFile(folder, judgement)) {
        // The record stays, so that a later removal says what is left and finishes it.
        if (judgement < kProductFilesOnly || GetTickCount() - start >= limit) return;
        Sleep(kRetryPause);
    }
    ErrorState error = {};
    if (judgement == kWholeFolder && JudgeRecordedFolder(folder) == kWholeFolder) RemoveFolder(error, folder);
    if (JudgeRecordedFolder(folder) >= kProductFilesOnly && OtherProductFilesAbsent(folder, -1))
        DeleteRecordNaming(folder);
}

// The copy and its folder go when Windows next starts, but only a copy that runs from a
// hand-over folder of the temp folder: a hand-over started from anywhere else leaves its
// file alone. Without the rights to schedule it, both stay in the temp folder.
void ScheduleOwnRemoval() {
    char own[MAX_PATH], temp[MAX_PATH], ownTemp[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
    DWORD t = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH || t == 0 || t >= n) return;
    lstrcpynA(ownTemp, own, static_cast<int>(t) + 1);
    if (lstrcmpiA(ownTemp, temp) != 0) return;
    const char* name = own + t;
    size_t prefix = strlen(kHandOverFolderPrefix);
    if (strncmp(name, kHandOverFolderPrefix, prefix) != 0) return;
    const char* p = name + prefix;
    while ((*p >= '0' && *p <= '9') || *p == '-') ++p;
    if (*p != '\\' || lstrcmpiA(p + 1, kProgram) != 0) return;
    DynString folder(own, static_cast<size_t>(p - own));
    MoveFileExA(own, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool StartHandOver(const DynString& installFolder) {
    if (JudgeRecordedFolder(installFolder) < kProductFilesOnly) return false;
    if (!OtherProductFilesAbsent(installFolder, kProgramIndex)) return false;
    DynString program = ProductPath(installFolder, kProgramIndex);
    char own[MAX_PATH], image[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH), size = MAX_PATH;
    if (n == 0 || n >= MAX_PATH || !SameFile(own, program.c_str())) return false;
    // The hand-over knows this process by its image name: it must name the same file.
    if (!QueryFullProcessImageNameA(GetCurrentProcess(), 0, image, &size) || lstrcmpiA(image, program.c_str()) != 0)
        return false;
    return LaunchHandOver(own);
}

bool IsHandOver() { return GetEnvironmentVariableA(kHandOverVariable, nullptr, 0) != 0; }

UINT RunHandOver() {
    bool trusted = false;
    HANDLE parent = InheritedParent();
    char image[MAX_PATH];
    DWORD n = MAX_PATH;
    DynString folder;
    // It waits only for a process of this program, as long as that runs; whether that was
    // the installed copy is asked of the record once it has ended.
    if (parent && QueryFullProcessImageNameA(parent, 0, image, &n) && IsProgramFile(image) &&
        WaitForSingleObject(parent, INFINITE) == WAIT_OBJECT_0 && RecordNamesImage(image, folder)) {
        trusted = true;
        FinishRemoval(folder);
    }
    ScheduleOwnRemoval();
    return trusted ? 0 : 1;
}
