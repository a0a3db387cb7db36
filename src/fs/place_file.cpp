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
        DynString path;
        if (!PathInHeldFolder(held, fresh, path)) {
            *code = ERROR_PATH_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file = INVALID_HANDLE_VALUE;
        *code = SystemCall([&] {
            file = CreateFileA(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        });
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

// Renames the file open on `file` over target, replacing what has that name.
bool RenameOver(ErrorState& error, HANDLE file, const DynString& target) {
    wchar_t wide[kMaxWide];
    int n = MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide, kMaxWide) - 1;
    if (n <= 0) return Fail(error, ERROR_INVALID_NAME);
    DWORD size = sizeof(FILE_RENAME_INFO) + n * sizeof(wchar_t);
    FILE_RENAME_INFO* rename = static_cast<FILE_RENAME_INFO*>(calloc(1, size));
    if (!rename) return Fail(error, ERROR_NOT_ENOUGH_MEMORY);
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = n * sizeof(wchar_t);
    CopyMemory(rename->FileName, wide, n * sizeof(wchar_t));
    BOOL renamed = FALSE;
    DWORD code = SystemCall([&] { renamed = SetFileInformationByHandle(file, FileRenameInfo, rename, size); });
    free(rename);
    return renamed || Fail(error, code);
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
    DynString source, target;
    if (!PathInHeldFolder(held, name, target) || !PathInHeldFolder(from, name, source))
        return Fail(error, ERROR_PATH_NOT_FOUND);
    HANDLE in = INVALID_HANDLE_VALUE;
    // The file itself: a link there is opened as the link, and is no file to copy.
    DWORD code = SystemCall([&] {
        in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
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
            else placed = RenameOver(error, copy, target);
        }
        if (placed) TakeTimeAndAttributes(in, copy);
        else if (!marked) SetDeletion(copy, TRUE);
        CloseHandle(copy);
    }
    CloseHandle(in);
    return placed;
}
