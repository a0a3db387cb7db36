#include "fs/file_services.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "base/path_text.h"
#include "fs/code_page.h"
#include "fs/system_call.h"

void (*AfterSystemCall)();

namespace {

const int kLastFileNumber = 32767;
const DWORD kVolumeLabelAttribute = 0x8;

struct FileEntry {
    FileEntry* next;
    int number;
    HANDLE handle;
    bool isDisk;       // a disk file, not a console, pipe or other device
    DWORD access;      // GENERIC_READ, with GENERIC_WRITE unless the open fell back
    uint64_t position;
    bool atEnd;        // the last read stopped short at the end of the file
    bool made;         // OpenRaw made the file
};

// The program runs no static constructors: both start zero.
FileEntry* openFiles;
int fileNumberCounter;

FileEntry* FindOpenFile(int number) {
    for (FileEntry* file = openFiles; file; file = file->next)
        if (file->number == number) return file;
    return nullptr;
}

// The path as the system gets it: up to an embedded NUL, at most limit bytes, and never a
// character cut in two (its first byte alone would turn into another character).
DynString SystemPath(const DynString& path, size_t limit) {
    size_t n = strlen(path.c_str());
    return DynString(path.c_str(), CutLength(path.c_str(), n, limit, AnsiLeadBytes()));
}

bool IsPlainFile(const WIN32_FIND_DATAA& entry) {
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           kVolumeLabelAttribute;
    return !(entry.dwFileAttributes & notPlain) && IsDeletableName(entry.cFileName, AnsiLeadBytes());
}

void EndSearch(HANDLE search) {
    SystemCall([&] { FindClose(search); });
}

}  // namespace

int FreeFileNumber() {
    for (int tries = 0; tries < kLastFileNumber; ++tries) {
        fileNumberCounter = fileNumberCounter >= kLastFileNumber ? 1 : fileNumberCounter + 1;
        if (!FindOpenFile(fileNumberCounter)) return fileNumberCounter;
    }
    return fileNumberCounter;  // every number is open: OpenRaw will say so (55)
}

void OpenRaw(ErrorState& error, const DynString& path, int fileNumber, PSECURITY_DESCRIPTOR protection, DWORD flags) {
    DynString name = SystemPath(path, kFolderPathLimit);
    if (name.empty() || HasWildcard(path.data(), path.size(), AnsiLeadBytes())) {
        RecordError(error, 64);
        return;
    }
    if (fileNumber < 1 || fileNumber > kLastFileNumber) {
        RecordError(error, 52);
        return;
    }
    if (FindOpenFile(fileNumber)) {
        RecordError(error, 55);
        return;
    }
    FileEntry* file = static_cast<FileEntry*>(malloc(sizeof(FileEntry)));
    if (!file) {
        RecordError(error, 7);
        return;
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), protection, TRUE};
    HANDLE handle = INVALID_HANDLE_VALUE;
    // A protected open asks to change the DACL too; the plain opens follow when it can't.
    const DWORD accesses[] = {GENERIC_READ | GENERIC_WRITE | WRITE_DAC, GENERIC_READ | GENERIC_WRITE, GENERIC_READ};
    DWORD access = 0, code = 0, disposition = 0;
    for (DWORD tried : accesses) {
        if ((tried & WRITE_DAC) && !protection) continue;
        access = tried;
        // What is there is opened; only where nothing is, a new file is made. OPEN_ALWAYS would
        // also make the missing target of a link.
        const DWORD dispositions[] = {OPEN_EXISTING, CREATE_NEW};
        for (DWORD tryDisposition : dispositions) {
            disposition = tryDisposition;
            code = SystemCall([&] {
                handle = CreateFileA(name.c_str(), access, 0, &inheritable, disposition, FILE_ATTRIBUTE_NORMAL | flags,
                                     nullptr);
            });
            if (handle != INVALID_HANDLE_VALUE || code != ERROR_FILE_NOT_FOUND) break;
        }
        if (handle != INVALID_HANDLE_VALUE) break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        free(file);
        RecordSystemError(error, code);
        return;
    }
    DWORD type = FILE_TYPE_UNKNOWN;
    SystemCall([&] { type = GetFileType(handle); });
    file->number = fileNumber;
    file->handle = handle;
    file->isDisk = type == FILE_TYPE_DISK;
    file->access = access;
    file->position = 0;
    file->atEnd = false;
    file->made = disposition == CREATE_NEW;
    file->next = openFiles;
    openFiles = file;
}

HANDLE SystemHandle(int fileNumber) {
    FileEntry* file = FindOpenFile(fileNumber);
    return file ? file->handle : INVALID_HANDLE_VALUE;
}

bool OpenedNew(int fileNumber) {
    FileEntry* file = FindOpenFile(fileNumber);
    return file && file->made;
}

DynString ReadBytes(ErrorState& error, int fileNumber, uint32_t count) {
    FileEntry* file = FindOpenFile(fileNumber);
    if (!file) {
        RecordError(error, 52);
        return DynString();
    }
    char* buffer = static_cast<char*>(malloc(count != 0 ? count : 1));
    if (!buffer) {
        RecordError(error, 7);
        return DynString();
    }
    BOOL ok = FALSE;
    DWORD got = 0;
    DWORD code = SystemCall([&] { ok = ReadFile(file->handle, buffer, count, &got, nullptr); });
    file->position += got;  // the handle moved by what was read, even on a failure
    DynString bytes;
    if (code != 0 || !ok) {
        RecordSystemError(error, code);
    } else {
        file->atEnd = got < count;  // short at the end of the file: no error
        bytes = DynString(buffer, got);
        if (bytes.size() != got) RecordError(error, 7);
    }
    free(buffer);
    return bytes;
}

void WriteBytes(ErrorState& error, int fileNumber, const DynString& text) {
    FileEntry* file = FindOpenFile(fileNumber);
    if (!file) {
        RecordError(error, 52);
        return;
    }
    BOOL ok = FALSE;
    DWORD put = 0;
    DWORD code = SystemCall([&] {
        ok = WriteFile(file->handle, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    });
    file->position += put;
    if (code != 0 || !ok) RecordSystemError(error, code);
}

void CloseFile(ErrorState& error, int fileNumber) {
    FileEntry** link = &openFiles;
    while (*link && (*link)->number != fileNumber) link = &(*link)->next;
    FileEntry* file = *link;
    if (!file) return;
    *link = file->next;
    BOOL ok = FALSE;
    DWORD code = SystemCall([&] { ok = CloseHandle(file->handle); });
    free(file);
    if (code != 0 || !ok) RecordSystemError(error, code);
}

void CloseAllFiles() {
    while (openFiles) {
        FileEntry* file = openFiles;
        openFiles = file->next;
        SystemCall([&] { CloseHandle(file->handle); });
        free(file);
    }
}

void DeleteFiles(ErrorState& error, const DynString& pathOrPattern) {
    DynString pattern = SystemPath(pathOrPattern, kNamePathLimit);
    if (pattern.empty()) return;
    // A path ending in "\" or ":" names every entry of that folder. A path that was cut
    // and happens to end there named one entry further down, not the whole folder.
    bool cut = pattern.size() != pathOrPattern.size();
    const LeadBytes& lead = AnsiLeadBytes();
    bool folderOnly = EndsWithChar(pattern.data(), pattern.size(), '\\', lead) ||
                      EndsWithChar(pattern.data(), pattern.size(), ':', lead);
    if (!cut && folderOnly) pattern += "*.*";

    WIN32_FIND_DATAA entry;
    HANDLE search = INVALID_HANDLE_VALUE;
    DWORD code = SystemCall([&] { search = FindFirstFileA(pattern.c_str(), &entry); });
    if (search == INVALID_HANDLE_VALUE || code != 0) {
        if (search != INVALID_HANDLE_VALUE) EndSearch(search);
        RecordSystemError(error, code);  // 53: nothing matches; 76: no such folder
        return;
    }
    DynString folder = pattern.Sub(0, FolderPartLength(pattern.data(), pattern.size(), lead));
    for (;;) {
        if (IsPlainFile(entry)) {
            DynString target = folder + entry.cFileName;
            BOOL deleted = FALSE;
            // A target that failed to grow would name the folder, not the entry.
            if (target.size() != folder.size() + strlen(entry.cFileName)) code = ERROR_NOT_ENOUGH_MEMORY;
            else code = SystemCall([&] { deleted = DeleteFileA(target.c_str()); });
            if (code != 0 || !deleted) {
                // The first file that stays ends the whole deletion.
                EndSearch(search);
                RecordSystemError(error, code);
                return;
            }
        }
        BOOL more = FALSE;
        code = SystemCall([&] { more = FindNextFileA(search, &entry); });
        if (code != 0 || !more) {
            EndSearch(search);
            if (code != 0 && code != ERROR_NO_MORE_FILES) RecordSystemError(error, code);
            return;
        }
    }
}

void MakeFolder(ErrorState& error, const DynString& path, PSECURITY_DESCRIPTOR protection) {
    if (HasWildcard(path.data(), path.size(), AnsiLeadBytes())) {
        RecordError(error, 76);
        return;
    }
    DynString name = SystemPath(path, kFolderPathLimit);
    SECURITY_ATTRIBUTES attributes = {sizeof(SECURITY_ATTRIBUTES), protection, FALSE};
    BOOL made = FALSE;
    DWORD code = SystemCall([&] { made = CreateDirectoryA(name.c_str(), protection ? &attributes : nullptr); });
    if (code != 0 || !made) RecordSystemError(error, code);
}

void RemoveFolder(ErrorState& error, const DynString& path) {
    if (HasWildcard(path.data(), path.size(), AnsiLeadBytes())) {
        RecordError(error, 76);
        return;
    }
    DynString name = SystemPath(path, kFolderPathLimit);
    BOOL removed = FALSE;
    DWORD code = SystemCall([&] { removed = RemoveDirectoryA(name.c_str()); });
    if (code == 0 && removed) return;
    int number = code != 0 ? MapSystemError(code) : 51;
    RecordError(error, number == 53 ? 76 : number);  // a missing folder is a path not found
}

void CopyOneFile(ErrorState& error, const DynString& source, const DynString& target) {
    DynString from = SystemPath(source, kNamePathLimit);
    DynString to = SystemPath(target, kNamePathLimit);
    BOOL copied = FALSE;
    // The copy can leave a last-error value behind when it succeeds: only its result tells.
    DWORD code = SystemCall([&] { copied = CopyFileA(from.c_str(), to.c_str(), FALSE); });
    if (!copied) RecordSystemError(error, code);
}
