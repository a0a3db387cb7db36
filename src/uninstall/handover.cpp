#include "uninstall/handover.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/product.h"
#include "fs/code_page.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "fs/system_call.h"
#include "run/record.h"

namespace {

// The installer is the product table's last file.
const int kProgramIndex = kProductFileCount - 1;
const char* const kProgram = kProductFileNames[kProgramIndex];
const DWORD kRetryPause = 200;  // milliseconds between two attempts to delete the program file
const DWORD kCopyStartPatience = 60000;  // milliseconds the removal waits for its copy to take over

// The copy the hand-over runs from, open without write or delete sharing from before it
// starts until this process ends, so that nobody swaps it in between.
HANDLE gHeldCopy = nullptr;

// The identity of the file a process runs, however its path is spelled.
bool ImageIdentity(HANDLE process, FileIdentity* identity) {
    wchar_t image[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    return QueryFullProcessImageNameW(process, 0, image, &size) && IdentityOfSystemPath(image, identity);
}

// True when image is the program file of the judged folder.
bool IsProgramOf(const FileIdentity& image, const Removal& removal) {
    FileIdentity program;
    return removal.held.exists && IdentityInHeldFolder(removal.held, kProgram, &program) &&
           SameIdentity(image, program);
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
            // This process may end as soon as the box that follows is answered; the copy must
            // first have seen what it runs (the copy then waits for input a moment, see BeginHandOver).
            WaitForInputIdle(process.hProcess, kCopyStartPatience);
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

// What the copy took over: the removal's process and the copy's own judgement of the folder.
HANDLE gParent;
Removal gRemoval;

// The inherited handle the variable names, when it is a handle of another process; 0
// otherwise. The variable goes from the environment.
HANDLE InheritedParent() {
    uintptr_t value = 0;
    bool named = DecimalVariable(kHandOverVariable, UINTPTR_MAX, value);
    SetEnvironmentVariableA(kHandOverVariable, nullptr);
    if (!named) return nullptr;
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

// What the removal could not do while it ran from the folder: the program file, in the
// folder held since the judgement; then the folder, when the judgement allows it, and the
// record once no product file is left.
void FinishRemoval(Removal& removal) {
    const DWORD limit = RetryLimit();
    const DWORD start = GetTickCount();
    ErrorState error = {};
    for (;;) {
        DeleteOutcome outcome = DeleteInHeldFolder(error, removal.held, kProgram, true);
        if (outcome == kDeleted || outcome == kAbsent) break;
        // The record stays, so that a later removal says what is left and finishes it.
        if (outcome == kRefused || GetTickCount() - start >= limit) return;
        Sleep(kRetryPause);
    }
    bool productGone = !ProductFileLeft(removal, -1);
    if (removal.judgement == kWholeFolder) RemoveHeldFolder(error, removal.held);
    if (productGone) DeleteRecordIfUnchanged(error, DynString(kDefaultRecordPath), removal.record);
}

// True for the name of a hand-over's folder: the prefix, then digits and dashes.
bool IsHandOverFolderName(const char* name) {
    size_t prefix = strlen(kHandOverFolderPrefix);
    if (strncmp(name, kHandOverFolderPrefix, prefix) != 0 || !name[prefix]) return false;
    for (const char* p = name + prefix; *p; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '-')) return false;
    return true;
}

// True when folder holds nothing but, at most, the program file.
bool HoldsOnlyTheProgram(const DynString& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool only = true;
    do {
        const char* name = entry.cFileName;
        bool dots = strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
        if (!dots && (lstrcmpiA(name, kProgram) != 0 || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
            only = false;
    } while (only && FindNextFileA(search, &entry));
    FindClose(search);
    return only;
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
    const char* slash = strrchr(own + t, '\\');
    if (!slash || lstrcmpiA(slash + 1, kProgram) != 0) return;
    DynString folder(own, static_cast<size_t>(slash - own));
    if (!IsHandOverFolderName(folder.c_str() + t)) return;
    MoveFileExA(own, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool StartHandOver(const Removal& removal) {
    if (removal.judgement < kProductFilesOnly || !removal.held.exists) return false;
    if (ProductFileLeft(removal, kProgramIndex)) return false;
    FileIdentity image;
    if (!ImageIdentity(GetCurrentProcess(), &image) || !IsProgramOf(image, removal)) return false;
    char own[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
    return n != 0 && n < MAX_PATH && LaunchHandOver(own);
}

bool BeginHandOver() {
    if (GetEnvironmentVariableA(kHandOverVariable, nullptr, 0) == 0) return false;
    gParent = InheritedParent();
    if (!gParent) return false;
    // What the removal's process runs is taken first, as early as the copy can: that process
    // may end soon after it has started the copy. Then the folder is judged as the removal
    // judges, once.
    FileIdentity image;
    bool seen = ImageIdentity(gParent, &image);
    // Looking for input, and waiting for it, with no window and nothing queued, ends the
    // removal's WaitForInputIdle (Windows counts the first, Wine the second): its process may
    // end now.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    if (seen) {
        ErrorState error = {};
        JudgeRemoval(error, gRemoval);
        if (IsProgramOf(image, gRemoval)) return true;
        ReleaseRemoval(gRemoval);
    }
    CloseHandle(gParent);
    gParent = nullptr;
    return false;
}

UINT RunHandOver() {
    WaitForSingleObject(gParent, INFINITE);
    CloseHandle(gParent);
    // The record the judgement read must still be there, unchanged: a record that names
    // another installation now is not this removal's to finish.
    ErrorState error = {};
    RecordCopy now = ReadRecordCopy(error, DynString(kDefaultRecordPath));
    bool unchanged = now.state == kRecordRead && now.bytes == gRemoval.record.bytes;
    if (unchanged) FinishRemoval(gRemoval);
    ReleaseRemoval(gRemoval);
    DeleteEarlierHandOvers();
    ScheduleOwnRemoval();
    return unchanged ? 0 : 1;
}

void DeleteEarlierHandOvers() {
    char temp[MAX_PATH], own[MAX_PATH];
    DWORD t = GetTempPathA(MAX_PATH, temp);
    DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
    if (t == 0 || t >= MAX_PATH || n == 0 || n >= MAX_PATH) return;
    FileIdentity ownFile;
    bool ownKnown = IdentityOfPath(own, &ownFile);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((DynString(temp) + kHandOverFolderPrefix + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !IsHandOverFolderName(entry.cFileName))
            continue;
        DynString folder = DynString(temp) + entry.cFileName;
        // Not this process's own folder: its program runs.
        FileIdentity inFolder;
        if (ownKnown && IdentityOfPath((folder + "\\" + kProgram).c_str(), &inFolder) &&
            SameIdentity(ownFile, inFolder))
            continue;
        HeldFolder held = {};
        if (HoldFolder(folder, FolderRootLength(folder.c_str(), folder.size(), AnsiLeadBytes()), held) != kHeld) continue;
        ErrorState error = {};
        // A program file that a process still runs can't be deleted: its folder stays.
        DeleteOutcome outcome = HoldsOnlyTheProgram(folder) ? DeleteInHeldFolder(error, held, kProgram, true) : kRefused;
        if (outcome == kDeleted || outcome == kAbsent)
            RemoveHeldFolder(error, held);
        else
            ReleaseFolder(held);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}
