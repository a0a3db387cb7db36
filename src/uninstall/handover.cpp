#include "uninstall/handover.h"

#include <tlhelp32.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/product.h"
#include "fs/code_page.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "fs/system_call.h"
#include "run/record.h"
#include "ui/message.h"

namespace {

// The installer is the product table's last file.
const int kProgramIndex = kProductFileCount - 1;
const char* const kProgram = kProductFileNames[kProgramIndex];
const DWORD kRetryPause = 200;  // milliseconds between two attempts to delete the program file
const int kRetryAttempts = 150;  // attempts at it: about 30 seconds
const DWORD kCopyStartPatience = 60000;  // milliseconds the removal waits for its copy to take over
const DWORD kCopyStartLook = 50;         // milliseconds of that wait between two looks at messages

// The copy the hand-over runs from, open without write or delete sharing from before it
// starts until this process ends, so that nobody swaps it in between.
HANDLE gHeldCopy = nullptr;

// A wide path being built: the temp folder the system gives is wide, and its best-fit ANSI
// form may name a folder that is not there, or another one.
struct WidePath {
    wchar_t text[kMaxWide];
    int length;
};

// Appends a wide text; false when the path would be too long.
bool Append(WidePath& path, const wchar_t* text, int n) {
    if (path.length + n >= kMaxWide) return false;
    CopyMemory(path.text + path.length, text, n * sizeof(wchar_t));
    path.length += n;
    path.text[path.length] = 0;
    return true;
}

// Appends one of the program's own ASCII texts (a name, a number).
bool Append(WidePath& path, const char* text) {
    wchar_t wide[MAX_PATH];
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, MAX_PATH) - 1;
    return n >= 0 && Append(path, wide, n);
}

// The temp folder, with its trailing separator, as the system gives it.
bool TempFolder(WidePath& temp) {
    DWORD n = GetTempPathW(kMaxWide, temp.text);
    temp.length = static_cast<int>(n);
    return n != 0 && n < static_cast<DWORD>(kMaxWide);
}

bool OwnProgram(WidePath& own) {
    DWORD n = GetModuleFileNameW(nullptr, own.text, kMaxWide);
    own.length = static_cast<int>(n);
    return n != 0 && n < static_cast<DWORD>(kMaxWide);
}

// True when text[0, n) is `name` (one of the program's own ASCII texts), without case.
bool IsName(const wchar_t* text, int n, const char* name) {
    WidePath wide = {{0}, 0};
    return Append(wide, name) && CompareStringOrdinal(text, n, wide.text, wide.length, TRUE) == CSTR_EQUAL;
}

// True for the name of a hand-over's folder: the prefix, then digits and dashes.
bool IsHandOverFolderName(const wchar_t* name, int n) {
    int prefix = static_cast<int>(strlen(kHandOverFolderPrefix));
    if (n <= prefix || !IsName(name, prefix, kHandOverFolderPrefix)) return false;
    for (int i = prefix; i < n; ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || name[i] == L'-')) return false;
    return true;
}

// True when this program runs as the program file of a hand-over's folder in the temp
// folder: a folder that only a removal makes, for the copy it hands over to. `own` is then
// the program's path, and `folder` the length of its folder's part.
bool RunsFromHandOverFolder(WidePath& own, int* folder) {
    WidePath temp;
    if (!OwnProgram(own) || !TempFolder(temp) || temp.length >= own.length ||
        CompareStringOrdinal(own.text, temp.length, temp.text, temp.length, TRUE) != CSTR_EQUAL)
        return false;
    int slash = -1;
    for (int i = temp.length; i < own.length; ++i)
        if (own.text[i] == L'\\') slash = i;
    *folder = slash;
    return slash > temp.length && IsHandOverFolderName(own.text + temp.length, slash - temp.length) &&
           IsName(own.text + slash + 1, own.length - slash - 1, kProgram);
}

// The identity of the file a process runs, however its path is spelled.
bool ImageIdentity(HANDLE process, FileIdentity* identity) {
    wchar_t image[kMaxWide];
    DWORD size = kMaxWide;
    return QueryFullProcessImageNameW(process, 0, image, &size) && IdentityOfSystemPath(image, identity);
}

// True when image is the program file of the judged folder.
bool IsProgramOf(const FileIdentity& image, const Removal& removal) {
    FileIdentity program;
    return removal.held.exists && IdentityInHeldFolder(removal.held, kProgram, &program) &&
           SameIdentity(image, program);
}

// True when a process other than this one runs the file `image`: the program file could not
// go until it ends, and a hand-over that waits for this process alone would leave it. A
// process of the program's name that can't be looked at (another user's) counts as one.
bool AnotherProcessRuns(const FileIdentity& image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;  // can't tell: as if one did
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    const DWORD own = GetCurrentProcessId();
    bool runs = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !runs; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == own || entry.th32ProcessID == 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) {
            runs = IsName(entry.szExeFile, lstrlenW(entry.szExeFile), kProgram);
            continue;
        }
        FileIdentity other;
        runs = ImageIdentity(process, &other) && SameIdentity(other, image);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return runs;
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
bool MakeOwnFolder(const WidePath& temp, WidePath& folder) {
    WidePath stem = temp;
    if (!Append(stem, kHandOverFolderPrefix) || !Append(stem, Decimal(GetCurrentProcessId()).c_str()) ||
        !Append(stem, "-"))
        return false;
    DWORD seed = GetTickCount();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        folder = stem;
        if (!Append(folder, Decimal(seed + attempt).c_str())) return false;
        // Elevated, the copy's folder gets the install folder's protection at creation: the
        // copy runs with this process's rights, so no other user may swap it.
        PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedFolder);
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, protection, FALSE};
        BOOL made = FALSE;
        DWORD code = SystemCall([&] {
            made = CreateDirectoryW(folder.text, protection ? &attributes : nullptr);
        });
        LocalFree(protection);
        if (made) return true;
        if (code != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// Starts the copy with `parent` as its only inherited handle (the file services open files
// inheritable, and nothing of the removal may outlive it in another process) and with the
// variable that names that handle. The copy's process handle, or 0.
HANDLE StartCopy(const WidePath& copy, const WidePath& currentFolder, HANDLE parent) {
    WidePath commandLine = {{0}, 0};
    if (!Append(commandLine, L"\"", 1) || !Append(commandLine, copy.text, copy.length) ||
        !Append(commandLine, L"\"", 1))
        return nullptr;

    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    LPPROC_THREAD_ATTRIBUTE_LIST attributes = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(malloc(size));
    if (!attributes) return nullptr;
    PROCESS_INFORMATION process = {};
    if (InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        STARTUPINFOEXW startup = {};
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        bool started = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &parent,
                                                 sizeof parent, nullptr, nullptr) &&
                       SetEnvironmentVariableA(kHandOverVariable, Decimal(reinterpret_cast<uintptr_t>(parent)).c_str()) &&
                       CreateProcessW(copy.text, commandLine.text, nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                                      nullptr, currentFolder.text, &startup.StartupInfo, &process);
        SetEnvironmentVariableA(kHandOverVariable, nullptr);
        if (started) CloseHandle(process.hThread);
        DeleteProcThreadAttributeList(attributes);
    }
    free(attributes);
    return process.hProcess;
}

// Waits until the copy has taken over: it has seen what this process runs, judged the folder
// and holds it, and then looks for input (see BeginHandOver). A copy that can't take over ends
// instead; one that has not taken over within the patience is ended, before it has done
// anything: it deletes nothing while this process runs. Meanwhile this process's windows keep
// answering, a message at a time, as during the removal's passes: a judgement can take
// seconds on a slow machine, and a window that answers nothing for that long passes for hung.
bool TakenOver(HANDLE copy) {
    const DWORD start = GetTickCount();
    DWORD waited;
    while ((waited = WaitForInputIdle(copy, kCopyStartLook)) == WAIT_TIMEOUT &&
           GetTickCount() - start < kCopyStartPatience)
        PumpOneMessage(0);
    bool idle = waited == 0;
    bool running = WaitForSingleObject(copy, 0) == WAIT_TIMEOUT;
    if (idle && running) return true;
    if (running) TerminateProcess(copy, 1);
    WaitForSingleObject(copy, kCopyStartPatience);
    return false;
}

bool LaunchHandOver(const WidePath& program) {
    WidePath temp, folder;
    if (!TempFolder(temp) || !MakeOwnFolder(temp, folder)) return false;
    WidePath copy = folder;
    if (!Append(copy, L"\\", 1) || !Append(copy, kProgram)) {
        RemoveDirectoryW(folder.text);
        return false;
    }

    HANDLE held = INVALID_HANDLE_VALUE;
    HANDLE parent = nullptr;
    bool taken = false;
    if (CopyFileW(program.text, copy.text, TRUE)) {
        // Held with the right to change its attributes, where the system grants it: the copy
        // takes the original's, and read-only would stand in the way of its removal later.
        held = CreateFileW(copy.text, GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            held = CreateFileW(copy.text, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ErrorState error = {};
        if (held != INVALID_HANDLE_VALUE) SetHandleAttributes(error, held, 0);
    }
    if (held != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &parent,
                        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        HANDLE started = StartCopy(copy, temp, parent);
        CloseHandle(parent);
        if (started) {
            taken = TakenOver(started);
            CloseHandle(started);
        }
    }
    if (taken) {
        gHeldCopy = held;
        return true;
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    DeleteFileW(copy.text);
    RemoveDirectoryW(folder.text);
    return false;
}

// ---- The copy's side ----

// What the copy took over: the removal's process and the copy's own judgement of the folder.
HANDLE gParent;
Removal gRemoval;
bool gTakenOver;

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

// What the removal could not do while it ran from the folder: the program file, in the
// folder held since the judgement; then the folder, when the judgement allows it, and the
// record once no product file is left. The attempts are paced through the procedures' pause.
void FinishRemoval(Removal& removal) {
    ErrorState error = {};
    for (int attempt = 1;; ++attempt) {
        DeleteOutcome outcome = DeleteInHeldFolder(error, removal.held, kProgram, true);
        if (outcome == kDeleted || outcome == kAbsent) break;
        // The record stays, so that a later removal says what is left and finishes it.
        if (outcome == kRefused || attempt >= kRetryAttempts) return;
        SleepMilliseconds(kRetryPause);
    }
    bool productGone = !ProductFileLeft(removal, -1);
    if (removal.judgement == kWholeFolder) RemoveHeldFolder(error, removal.held);
    if (productGone) DeleteRecordIfUnchanged(error, DynString(kDefaultRecordPath), removal.record);
}

// True when the folder holds nothing but, at most, the program file.
bool HoldsOnlyTheProgram(const WidePath& folder) {
    WidePath pattern = folder;
    if (!Append(pattern, L"\\*", 2)) return false;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.text, &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool only = true;
    do {
        const wchar_t* name = entry.cFileName;
        bool dots = lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0;
        if (!dots && (!IsName(name, lstrlenW(name), kProgram) || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
            only = false;
    } while (only && FindNextFileW(search, &entry));
    FindClose(search);
    return only;
}

// The copy and its folder go when Windows next starts, but only a copy that runs from a
// hand-over's folder of the temp folder: a hand-over started from anywhere else leaves its
// file alone. Without the rights to schedule it, both stay in the temp folder.
void ScheduleOwnRemoval() {
    WidePath own;
    int folder = 0;
    if (!RunsFromHandOverFolder(own, &folder)) return;
    MoveFileExW(own.text, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    own.text[folder] = 0;
    MoveFileExW(own.text, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void NothingMore() {}

}  // namespace

HandOverStep BeforeTakingOver = NothingMore;

bool StartHandOver(const Removal& removal) {
    if (removal.judgement < kProductFilesOnly || !removal.held.exists) return false;
    if (ProductFileLeft(removal, kProgramIndex)) return false;
    FileIdentity image;
    if (!ImageIdentity(GetCurrentProcess(), &image) || !IsProgramOf(image, removal)) return false;
    // Another copy of the program running from the folder keeps the file: the removal is not
    // done, and says so, rather than hand over a step that can't be finished.
    if (AnotherProcessRuns(image)) return false;
    WidePath own;
    return OwnProgram(own) && LaunchHandOver(own);
}

bool BeginHandOver() {
    if (GetEnvironmentVariableA(kHandOverVariable, nullptr, 0) == 0) return false;
    gParent = InheritedParent();
    // Only the copy a removal made, in a folder of its own, is a hand-over; with the variable
    // set by anything else the program runs as usual.
    WidePath own;
    int folder = 0;
    if (!gParent || !RunsFromHandOverFolder(own, &folder)) {
        if (gParent) CloseHandle(gParent);
        gParent = nullptr;
        return false;
    }
    // What the removal's process runs, then the folder, judged as the removal judges it and
    // held from now on. The removal holds it meanwhile, and waits: there is no moment at which
    // neither holds it.
    FileIdentity image;
    ErrorState error = {};
    if (ImageIdentity(gParent, &image)) {
        BeforeTakingOver();
        JudgeRemoval(error, gRemoval, false);
        gTakenOver = IsProgramOf(image, gRemoval);
        if (!gTakenOver) ReleaseRemoval(gRemoval);
    }
    if (gTakenOver) {
        // Looking for input, and waiting for it, with no window and nothing queued, ends the
        // removal's WaitForInputIdle (Windows counts the first, Wine the second): the removal
        // may let go of the folder now, and its process may end.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    }
    return true;
}

UINT RunHandOver() {
    // A copy that could not take over has shown nothing and ends: the removal sees it end and
    // says that it is not done.
    if (!gTakenOver) {
        CloseHandle(gParent);
        return 1;
    }
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
    WidePath temp, own, pattern;
    if (!TempFolder(temp) || !OwnProgram(own)) return;
    FileIdentity ownFile;
    bool ownKnown = IdentityOfPathW(own.text, &ownFile);
    pattern = temp;
    if (!Append(pattern, kHandOverFolderPrefix) || !Append(pattern, L"*", 1)) return;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.text, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        WidePath folder = temp, program;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !IsHandOverFolderName(entry.cFileName, lstrlenW(entry.cFileName)) ||
            !Append(folder, entry.cFileName, lstrlenW(entry.cFileName)))
            continue;
        program = folder;
        // Not this process's own folder: its program runs.
        FileIdentity inFolder;
        if (!Append(program, L"\\", 1) || !Append(program, kProgram) ||
            (ownKnown && IdentityOfPathW(program.text, &inFolder) && SameIdentity(ownFile, inFolder)))
            continue;
        // Held by its ANSI name, which must name exactly it: a folder of a temp folder that the
        // code page can't spell is left for Windows to delete when it next starts.
        DynString text;
        HeldFolder held = {};
        if (!ExactAnsiText(folder.text, folder.length, text) ||
            HoldFolder(text, FolderRootLength(text.c_str(), text.size(), AnsiLeadBytes()), held) != kHeld) {
            ReleaseFolder(held);
            continue;
        }
        ErrorState error = {};
        // A program file that a process still runs can't be deleted: its folder stays.
        DeleteOutcome outcome = HoldsOnlyTheProgram(folder) ? DeleteInHeldFolder(error, held, kProgram, true) : kRefused;
        if (outcome == kDeleted || outcome == kAbsent)
            RemoveHeldFolder(error, held);
        else
            ReleaseFolder(held);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}
