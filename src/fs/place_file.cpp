#include "fs/place_file.h"

#include <windows.h>
#include <stdlib.h>

#include "fs/file_identity.h"
#include "fs/system_call.h"

namespace {

const DWORD kCopyChunk = 256 * 1024;
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
const int kFreshNameTries = 100;

// The file services' failure, from a call that said so without saying why.
bool Fail(ErrorState& error, DWORD code) {
    RecordSystemError(error, code);
    return false;
}

// A new file under a fresh name of the held folder, made of this process's id and a number, no
// longer than the longest product name: wherever a product file fits, its copy does. Opened by
// this process alone, so that nobody else may open, rename or replace it.
HANDLE CreateFreshFile(const HeldFolder& held, DWORD* code) {
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
        char fresh[24];
        wsprintfA(fresh, "~qb%08lX%02d.new", GetCurrentProcessId(), attempt);
        wchar_t path[kMaxWide];
        if (!SystemPathInHeldFolder(held, fresh, path)) {
            *code = ERROR_PATH_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file = CreateAtSystemPath(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, code);
        if (file != INVALID_HANDLE_VALUE || (*code != ERROR_FILE_EXISTS && *code != ERROR_ALREADY_EXISTS)) return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool SetDeletion(HANDLE file, BOOLEAN deleteIt) {
    FILE_DISPOSITION_INFO disposition = {deleteIt};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// A file, no folder or link, lying directly in the held folder; with `names`, how many it has.
bool IsFileInHeldFolder(HANDLE file, const HeldFolder& held, DWORD* names = nullptr) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !LiesInHeldFolder(file, held))
        return false;
    if (names) *names = info.nNumberOfLinks;
    return true;
}

// A file of one name, no folder or link, lying directly in the held folder.
bool IsOwnFreshFile(HANDLE file, const HeldFolder& held) {
    DWORD names = 0;
    return IsFileInHeldFolder(file, held, &names) && names == 1;
}

// Every byte of from, written to to.
bool CopyBytes(ErrorState& error, HANDLE from, HANDLE to) {
    char* chunk = static_cast<char*>(malloc(kCopyChunk));
    if (!chunk) return Fail(error, ERROR_NOT_ENOUGH_MEMORY);
    bool copied = true;
    for (;;) {
        DWORD got = 0, put = 0;
        BOOL read = FALSE, written = FALSE;
        DWORD code = SystemCall([&] { read = ReadFile(from, chunk, kCopyChunk, &got, nullptr); });
        if (!read) {
            copied = Fail(error, code);
            break;
        }
        if (got == 0) break;
        code = SystemCall([&] { written = WriteFile(to, chunk, got, &put, nullptr); });
        if (!written || put != got) {
            copied = Fail(error, code);
            break;
        }
    }
    free(chunk);
    return copied;
}

// The source's last write time and the attributes the copy keeps, through the copy's handle.
void TakeTimeAndAttributes(HANDLE source, HANDLE copy) {
    FILE_BASIC_INFO from, to = {};
    if (!GetFileInformationByHandleEx(source, FileBasicInfo, &from, sizeof from)) return;
    to.LastWriteTime = from.LastWriteTime;
    to.FileAttributes = from.FileAttributes & kKeptAttributes;
    if (to.FileAttributes == 0) to.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(copy, FileBasicInfo, &to, sizeof to);
}

}  // namespace

bool PlaceFileInHeldFolder(ErrorState& error, const HeldFolder& held, const HeldFolder& from, const char* name) {
    wchar_t source[kMaxWide], target[kMaxWide];
    if (!SystemPathInHeldFolder(held, name, target) || !SystemPathInHeldFolder(from, name, source))
        return Fail(error, ERROR_PATH_NOT_FOUND);
    // The file itself: a link there is opened as the link, and is no file to copy.
    DWORD code = 0;
    HANDLE in = OpenSystemPath(source, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, &code);
    if (in == INVALID_HANDLE_VALUE) return Fail(error, code);
    if (!IsFileInHeldFolder(in, from)) {
        CloseHandle(in);
        return Fail(error, ERROR_PATH_NOT_FOUND);
    }
    HANDLE copy = CreateFreshFile(held, &code);
    bool placed = false;
    if (copy == INVALID_HANDLE_VALUE) {
        Fail(error, code);
    } else {
        // Marked at once: until the rename, the copy goes when its handle closes, however the
        // run ends.
        bool marked = SetDeletion(copy, TRUE);
        if (!IsOwnFreshFile(copy, held)) {
            Fail(error, ERROR_PATH_NOT_FOUND);
        } else if (CopyBytes(error, in, copy)) {
            // Unmarked only now, and renamed over the name at once.
            code = SystemCall([&] { marked = !SetDeletion(copy, FALSE); });
            if (marked) Fail(error, code);
            else if ((code = RenameToSystemPath(copy, target)) != 0) Fail(error, code);
            else placed = true;
        }
        if (placed) TakeTimeAndAttributes(in, copy);
        else if (!marked) SetDeletion(copy, TRUE);
        CloseHandle(copy);
    }
    CloseHandle(in);
    return placed;
}
