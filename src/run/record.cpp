#include "run/record.h"

#include "base/record_text.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "fs/system_call.h"

int OpenRecord(ErrorState& error, const DynString& recordPath) {
    int fileNumber = FreeFileNumber();
    PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedRecord);
    OpenRaw(error, recordPath, fileNumber, protection);
    LocalFree(protection);
    return fileNumber;
}

// The file is still at its first byte after OpenRecord: the record lands at offset 0, and
// whatever an older, longer record left after it stays, unread.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder) {
    WriteBytes(error, fileNumber, RecordText(installFolder));
}

namespace {

// Opens the record file, never a link in its place, with `access`; others may read it
// meanwhile, nobody may change it. INVALID_HANDLE_VALUE with the error code otherwise.
HANDLE OpenRecordFile(const DynString& recordPath, DWORD access, DWORD* code) {
    HANDLE file = INVALID_HANDLE_VALUE;
    *code = SystemCall([&] {
        file = CreateFileA(recordPath.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        *code = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// The record's first bytes, in one read.
bool ReadStart(ErrorState& error, HANDLE file, DynString& bytes) {
    char buffer[kRecordReadLimit];
    DWORD got = 0;
    BOOL read = FALSE;
    DWORD code = SystemCall([&] { read = ReadFile(file, buffer, sizeof buffer, &got, nullptr); });
    if (!read) {
        RecordSystemError(error, code);
        return false;
    }
    bytes = DynString(buffer, got);
    return true;
}

}  // namespace

RecordCopy ReadRecordCopy(ErrorState& error, const DynString& recordPath) {
    RecordCopy copy = {kRecordUnreadable, DynString(), false};
    DWORD code = 0;
    HANDLE file = OpenRecordFile(recordPath, GENERIC_READ | READ_CONTROL, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code == ERROR_FILE_NOT_FOUND) {
            copy.state = kRecordAbsent;
        } else {
            RecordSystemError(error, code);
        }
        return copy;
    }
    if (ReadStart(error, file, copy.bytes)) {
        copy.state = kRecordRead;
        copy.trusted = IsTrustedObject(file);
    }
    CloseHandle(file);
    return copy;
}

bool DeleteRecordIfUnchanged(ErrorState& error, const DynString& recordPath, const RecordCopy& copy) {
    if (copy.state != kRecordRead) return false;
    DWORD code = 0;
    HANDLE file = OpenRecordFile(recordPath, GENERIC_READ | DELETE, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code != ERROR_FILE_NOT_FOUND) RecordSystemError(error, code);
        return false;
    }
    DynString bytes;
    bool deleted = false;
    if (ReadStart(error, file, bytes) && bytes == copy.bytes) deleted = MarkForDeletion(error, file);
    CloseHandle(file);
    return deleted;
}
